#include "dialogs/frmAbout.h"

#include "dialogs/DialogGeometry.h"
#include "dialogs/ProgramIcon.h"
#include "dialogs/SystemInfo.h"
#include "platform/MessageBox.h"
#include "texts/UiTexts.h"

#include <QCheckBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

// The icons are compiled into the static core library; its resource
// initialiser has to be called by name.
static void initAboutResources()
{
    Q_INIT_RESOURCE(pergalot);
}

namespace {

template <typename Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QWidget* line(QWidget* parent, const QColor& colour)
{
    auto* widget = named(new QWidget(parent), "Line1");
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    return widget;
}

} // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent)
{
    initAboutResources();
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(UiTexts::AboutCaption);
    DialogGeometry::useFormFont(this);
    DialogGeometry::makeFixed(this, 5730, 3555);

    cmdSysInfo = named(new QPushButton(UiTexts::AboutSysInfo, this), "cmdSysInfo");
    lblDescription = named(new QLabel(UiTexts::AboutDescription, this), "lblDescription");
    lblTitle = named(new QLabel(QStringLiteral("Application Title"), this), "lblTitle");
    lblVersion = named(new QLabel(QStringLiteral("Version"), this), "lblVersion");
    cmdOK = named(new QPushButton(UiTexts::AboutOK, this), "cmdOK");
    Picture1 = named(new QLabel(this), "Picture1");
    Check1 = named(new QCheckBox(UiTexts::AboutShowSysInfo, this), "Check1");
    Label1 = named(new QLabel(UiTexts::AboutCredits, this), "Label1");
    Line1 = {line(this, QColor(0x80, 0x80, 0x80)), line(this, Qt::white)};

    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setPixmap(ProgramIcon().pixmap(32, 32));
    cmdOK->setDefault(true);

    DialogGeometry::place(cmdSysInfo, 240, 3000, 2445, 345);
    DialogGeometry::place(lblDescription, 960, 1125, 4605, 210);
    DialogGeometry::place(lblTitle, 960, 240, 4605, 480);
    DialogGeometry::place(lblVersion, 960, 780, 4605, 225);
    DialogGeometry::place(cmdOK, 3000, 3000, 2445, 345);
    DialogGeometry::place(Picture1, 240, 240, 495, 615);
    DialogGeometry::place(Check1, 240, 2640, 3135, 195);
    DialogGeometry::place(Label1, 960, 1440, 4575, 255);
    // One pixel grey, and two pixels white 15 twips lower and to the right.
    DialogGeometry::place(Line1[0], 90, 2445, 5640 - 90, 15);
    DialogGeometry::place(Line1[1], 105, 2460, 5640 - 105, 30);

    setTabOrder(cmdSysInfo, cmdOK);
    setTabOrder(cmdOK, Check1);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(10);
    connect(Timer1, &QTimer::timeout, this, &frmAbout::Timer1_Timer);
    Timer1->start();

    Form_Load();
}

void frmAbout::Form_Load()
{
    lblVersion->setText(UiTexts::AboutVersionPrefix + QString::number(VersionMajor) + QLatin1Char('.')
                        + QString::number(VersionMinor) + QLatin1Char('.') + QString::number(VersionRevision));
    lblTitle->setText(UiTexts::AppTitle);
}

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::Timer1_Timer()
{
    cmdSysInfo->setVisible(Check1->isChecked());
}

void frmAbout::StartSysInfo()
{
    if (!SystemInfo::StartSysInfo())
        MsgBox(this, UiTexts::SysInfoUnavailable);
}
