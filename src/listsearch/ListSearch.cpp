#include "listsearch/ListSearch.h"

#include "listsearch/ListSearchModel.h"
#include "listsearch/TagListFile.h"
#include "platform/MessageBox.h"
#include "platform/Twips.h"
#include "texts/UiTexts.h"

#include <QDir>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPointer>

#include <algorithm>

namespace {

// Design sizes in twips: the inner area, the search box, the list.
constexpr int DesignWidth = 1935;
constexpr int DesignHeight = 1695;
constexpr int SearchHeight = 255;
constexpr int DesignListTop = 240;
constexpr int DesignListHeight = 1455;

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

ListSearch::ListSearch(QWidget* parent)
    : QFrame(parent)
    , txtSearch(new QLineEdit(this))
    , lstMain(new QListView(this))
    , m_model(new ListSearchModel(this))
{
    setObjectName(QStringLiteral("ListSearch"));
    // The raised double border of a dialog window.
    setFrameStyle(QFrame::WinPanel | QFrame::Raised);
    setAutoFillBackground(true);

    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    lstMain->setObjectName(QStringLiteral("lstMain"));
    lstMain->setModel(m_model);
    lstMain->setUniformItemSizes(true);
    lstMain->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstMain->setSelectionMode(QAbstractItemView::SingleSelection);
    lstMain->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabOrder(txtSearch, lstMain);
    setFocusProxy(txtSearch);

    txtSearch->installEventFilter(this);
    lstMain->installEventFilter(this);
    lstMain->viewport()->installEventFilter(this);

    const int dpiX = logicalDpiX();
    const int dpiY = logicalDpiY();
    const int frame = frameWidth();
    resize(Twips::toPixels(DesignWidth, dpiX) + 2 * frame, Twips::toPixels(DesignHeight, dpiY) + 2 * frame);
    txtSearch->setGeometry(frame, frame, Twips::toPixels(DesignWidth, dpiX), Twips::toPixels(SearchHeight, dpiY));
    lstMain->setGeometry(frame, frame + Twips::toPixels(DesignListTop, dpiY), Twips::toPixels(DesignWidth, dpiX),
                         Twips::toPixels(DesignListHeight, dpiY));
}

int ListSearch::FillWithTags(const QString& path, bool upper)
{
    TagListFile::Result result = TagListFile::read(path, upper);
    m_model->setEntries(std::move(result.entries));
    lstMain->scrollToTop();
    if (result.error == TagListFile::NoError)
        return 1;
    if (result.error == TagListFile::FileNotFound)
        MsgBox(this, UiTexts::TagsFileNotFound, MsgButtons::OKOnly, MsgIcon::Exclamation, UiTexts::TagsErrorTitle);
    else
        MsgBox(this, result.description, MsgButtons::OKOnly, MsgIcon::Exclamation,
               UiTexts::TagsErrorNumberTitle + QString::number(result.error));
    return 0;
}

void ListSearch::FillWithFonts()
{
    m_model->setEntries(QFontDatabase::families());
    lstMain->scrollToTop();
}

void ListSearch::FillWithDrives(bool upper)
{
    QStringList roots;
    for (const QFileInfo& drive : QDir::drives()) {
        const QString root = QDir::toNativeSeparators(drive.absoluteFilePath());
        roots.append(upper ? root.toUpper() : root.toLower());
    }
    m_model->setEntries(std::move(roots));
    lstMain->scrollToTop();
}

QString ListSearch::selectedEntry() const
{
    const QModelIndexList selected = lstMain->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QString() : selected.first().data(ListSearchModel::EntryRole).toString();
}

// The keys and clicks are watched, never taken: the search box and the list
// go on to handle each of them as usual.
bool ListSearch::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == txtSearch && (type == QEvent::KeyPress || type == QEvent::KeyRelease)) {
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        // A held key repeats its presses; only letting it go is its release.
        if (type == QEvent::KeyPress)
            txtSearch_KeyDown(keyEvent->key());
        else if (!keyEvent->isAutoRepeat())
            txtSearch_KeyUp(keyEvent->key());
    } else if (watched == lstMain && type == QEvent::KeyPress) {
        lstMain_KeyPress(static_cast<QKeyEvent*>(event)->key());
    } else if (watched == lstMain->viewport() && type == QEvent::MouseButtonDblClick
               && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        lstMain_DblClick();
    }
    return QFrame::eventFilter(watched, event);
}

// Down moves into the list; with nothing selected it selects the first
// entry, the one the list's focus frame then shows, so that Enter writes it.
void ListSearch::txtSearch_KeyDown(int key)
{
    if (key != Qt::Key_Down)
        return;
    if (!lstMain->selectionModel()->hasSelection() && m_model->rowCount() > 0)
        lstMain->setCurrentIndex(m_model->index(0));
    lstMain->setFocus(Qt::OtherFocusReason);
}

// Enter and Escape act on release: the press may still be on its way from
// the window the user typed in before.
void ListSearch::txtSearch_KeyUp(int key)
{
    if (isEnter(key))
        raiseDone(txtSearch->text());
    else if (key == Qt::Key_Escape)
        raiseEscape();
    else
        search();
}

void ListSearch::lstMain_KeyPress(int key)
{
    if (isEnter(key))
        raiseDone(selectedEntry());
    else if (key == Qt::Key_Escape)
        raiseEscape();
}

void ListSearch::lstMain_DblClick()
{
    raiseDone(selectedEntry());
}

void ListSearch::search()
{
    const int row = m_model->findPrefix(txtSearch->text());
    if (row < 0)
        return;
    const QModelIndex index = m_model->index(row);
    lstMain->setCurrentIndex(index);
    lstMain->scrollTo(index);
}

// The host's handler runs first and may hide the control or move the focus;
// the search box is emptied after it returns.
void ListSearch::raiseDone(const QString& text)
{
    const QPointer<ListSearch> alive(this);
    emit Done(text);
    if (alive)
        txtSearch->clear();
}

void ListSearch::raiseEscape()
{
    const QPointer<ListSearch> alive(this);
    emit Escape();
    if (alive)
        txtSearch->clear();
}

void ListSearch::paintEvent(QPaintEvent* event)
{
    UserControl_Paint();
    QFrame::paintEvent(event);
}

void ListSearch::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    UserControl_Paint();
}

// The search box across the top at its own height, the list from just
// below it to the bottom, all in twips of the inner area.
void ListSearch::UserControl_Paint()
{
    const QRect inner = contentsRect();
    const int dpiY = logicalDpiY();
    txtSearch->setGeometry(inner.x(), inner.y(), inner.width(), txtSearch->height());
    const int innerHeight = Twips::fromPixels(inner.height(), dpiY);
    const int listTop = Twips::fromPixels(txtSearch->height(), dpiY) + 1;
    const int listHeight = innerHeight - listTop + 1;
    lstMain->setGeometry(inner.x(), inner.y() + Twips::toPixels(listTop, dpiY), inner.width(),
                         std::max(0, Twips::toPixels(listHeight, dpiY)));
}
