#pragma once

#include <QList>
#include <QWidget>

class QLabel;

// Status bar panels side by side at their own widths; the first one takes
// whatever room the others leave (but no less than its own width). Panels
// that do not fit are cut off at the right edge instead of being squeezed
// over each other.
class StatusPanelStrip : public QWidget
{
    Q_OBJECT
public:
    explicit StatusPanelStrip(QWidget* parent = nullptr);

    QLabel* addPanel(int widthPixels);
    QList<QLabel*> panels() const { return m_panels; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutPanels();

    QList<QLabel*> m_panels;
    QList<int> m_widths;
};
