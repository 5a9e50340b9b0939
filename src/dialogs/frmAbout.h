#pragma once

#include <QDialog>

#include <array>

class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;

// The About box: name, version, a description and credits, and on request
// a button that starts the system-information program. Modeless; closing it
// deletes it, so the tick box starts unticked at the next opening.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    static constexpr int VersionMajor = 0;
    static constexpr int VersionMinor = 2;
    static constexpr int VersionRevision = 42;

    explicit frmAbout(QWidget* parent = nullptr);

    QPushButton* cmdSysInfo = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QPushButton* cmdOK = nullptr;
    QLabel* Picture1 = nullptr;
    QCheckBox* Check1 = nullptr;
    QLabel* Label1 = nullptr;
    std::array<QWidget*, 2> Line1 {};  // the etched separator: grey, then white below it
    QTimer* Timer1 = nullptr;

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void Timer1_Timer();
    void StartSysInfo();
};
