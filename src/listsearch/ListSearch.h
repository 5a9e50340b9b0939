#pragma once

#include <QFrame>
#include <QString>

class ListSearchModel;
class QLineEdit;
class QListView;

// A search box over a list: the host fills the list (tag names from a file,
// the screen fonts or the drives), shows the control and gives it the focus.
// Typing selects the first entry that begins with the typed text; Enter
// reports the choice through Done, Escape through Escape. The control never
// hides or moves itself.
//
// Keys: in the search box, Enter or Escape act when released and Down moves
// the focus to the list (selecting the first entry when none is); in the list, Enter or Escape act when pressed and a
// double click acts as Enter. Every other key released in the search box
// searches again with the text as it then stands. After Done or Escape, once
// the host's handler has returned, the search box is emptied; text left by
// an opening that ended otherwise stays for the next search.
class ListSearch : public QFrame
{
    Q_OBJECT
public:
    explicit ListSearch(QWidget* parent = nullptr);

    // Empties the list and adds each non-empty line of the tag list file at
    // path, upper-cased when upper is true and lower-cased otherwise. 1 when
    // the file was read to its end; 0 after a failure, which a message box
    // has reported (the list keeps what was read before it).
    int FillWithTags(const QString& path, bool upper);
    // Empties the list and adds every font family, unchanged.
    void FillWithFonts();
    // Empties the list and adds the root of every drive ("/" on Linux),
    // upper-cased when upper is true and lower-cased otherwise.
    void FillWithDrives(bool upper);

    ListSearchModel* model() const { return m_model; }
    // The text of the selected entry, empty when none is selected.
    QString selectedEntry() const;

signals:
    void Done(const QString& text);
    void Escape();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UserControl_Paint();
    void txtSearch_KeyDown(int key);
    void txtSearch_KeyUp(int key);
    void lstMain_KeyPress(int key);
    void lstMain_DblClick();
    void search();
    void raiseDone(const QString& text);
    void raiseEscape();

    // The parts, found by these object names.
    QLineEdit* txtSearch = nullptr;
    QListView* lstMain = nullptr;
    ListSearchModel* m_model = nullptr;
};
