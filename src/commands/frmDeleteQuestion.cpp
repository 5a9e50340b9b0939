#include "commands/frmDeleteQuestion.h"

#include "platform/Twips.h"
#include "texts/UiTexts.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

frmDeleteQuestion::frmDeleteQuestion(const QString& path, QWidget* parent)
    : QDialog(parent)
    , m_path(path)
{
    setObjectName(QStringLiteral("frmDeleteQuestion"));
    setWindowTitle(UiTexts::DeleteQuestionCaption);
    setModal(true);
    const double dpi = logicalDpiX();
    setFixedSize(Twips::toPixels(6765, dpi), Twips::toPixels(2355, dpi));

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(twipsRect(240, 120, 480, 480));
    Picture1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this).pixmap(32, 32));

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(960, 120, 5655, 495));
    Label1->setTextFormat(Qt::PlainText);  // a path may hold "<" and "&"
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    OKButton = new QPushButton(UiTexts::DeleteQuestionYes, this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(twipsRect(3600, 1800, 1455, 375));
    OKButton->setDefault(true);

    CancelButton = new QPushButton(UiTexts::DeleteQuestionNo, this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(twipsRect(5160, 1800, 1455, 375));
    CancelButton->setAutoDefault(false);

    connect(OKButton, &QPushButton::clicked, this, &frmDeleteQuestion::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &frmDeleteQuestion::CancelButton_Click);
    Form_Load();
}

QRect frmDeleteQuestion::twipsRect(int left, int top, int width, int height) const
{
    const double dpi = logicalDpiX();
    return QRect(Twips::toPixels(left, dpi), Twips::toPixels(top, dpi), Twips::toPixels(width, dpi),
                 Twips::toPixels(height, dpi));
}

void frmDeleteQuestion::Form_Load()
{
    Label1->setText(UiTexts::DeleteQuestionPrefix + m_path + UiTexts::DeleteQuestionSuffix);
}

void frmDeleteQuestion::OKButton_Click()
{
    accept();
}

// Escape and the close box end the same way, through QDialog::reject().
void frmDeleteQuestion::CancelButton_Click()
{
    reject();
}
