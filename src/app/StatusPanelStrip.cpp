#include "app/StatusPanelStrip.h"

#include <QLabel>
#include <numeric>

namespace {
const int spacing = 2;
}

StatusPanelStrip::StatusPanelStrip(QWidget* parent)
    : QWidget(parent)
{
}

QLabel* StatusPanelStrip::addPanel(int widthPixels)
{
    auto* panel = new QLabel(this);
    m_panels.append(panel);
    m_widths.append(widthPixels);
    layoutPanels();
    updateGeometry();
    return panel;
}

QSize StatusPanelStrip::sizeHint() const
{
    int height = 0;
    for (const QLabel* panel : m_panels)
        height = std::max(height, panel->sizeHint().height());
    const int width = std::accumulate(m_widths.cbegin(), m_widths.cend(), 0)
        + spacing * int(std::max<qsizetype>(0, m_widths.size() - 1));
    return QSize(width, height);
}

QSize StatusPanelStrip::minimumSizeHint() const
{
    return QSize(0, sizeHint().height());
}

void StatusPanelStrip::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutPanels();
}

void StatusPanelStrip::layoutPanels()
{
    if (m_panels.isEmpty())
        return;
    const int others = sizeHint().width() - m_widths.first();
    int x = 0;
    for (int i = 0; i < m_panels.size(); ++i) {
        const int panelWidth = i == 0 ? std::max(m_widths.first(), width() - others) : m_widths.at(i);
        m_panels.at(i)->setGeometry(x, 0, panelWidth, height());
        x += panelWidth + spacing;
    }
}
