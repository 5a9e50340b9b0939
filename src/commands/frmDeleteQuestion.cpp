#include "commands/frmDeleteQuestion.h"

#include "dialogs/DialogGeometry.h"
#include "platform/Twips.h"
#include "texts/UiTexts.h"

#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace {

// The question with the path shortened in its folder part to at most width
// pixels, so that the file name stays whole; a name too long for any folder
// part is shortened in its middle as well.
QString questionWithPath(const QString& path, const QFontMetrics& metrics, int width)
{
    const qsizetype cut = path.lastIndexOf(QDir::separator()) + 1;
    const QString folder = path.left(cut);
    const QString name = path.mid(cut);
    const int nameWidth = metrics.horizontalAdvance(name);
    const QString shown = width >= nameWidth + metrics.horizontalAdvance(QChar(0x2026))
        ? metrics.elidedText(folder, Qt::ElideMiddle, width - nameWidth) + name
        : metrics.elidedText(path, Qt::ElideMiddle, width);
    return UiTexts::DeleteQuestionPrefix + shown + UiTexts::DeleteQuestionSuffix;
}

} // namespace

frmDeleteQuestion::frmDeleteQuestion(const QString& path, QWidget* parent)
    : QDialog(parent)
    , m_path(path)
{
    setObjectName(QStringLiteral("frmDeleteQuestion"));
    setWindowTitle(UiTexts::DeleteQuestionCaption);
    setModal(true);
    DialogGeometry::useFormFont(this);
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

// The label keeps its size. A path too long for it is shortened in the
// middle of its folder part, so the user always sees which file goes; the
// whole path is the label's tooltip.
void frmDeleteQuestion::Form_Load()
{
    Label1->setToolTip(m_path);
    Label1->setText(UiTexts::DeleteQuestionPrefix + m_path + UiTexts::DeleteQuestionSuffix);
    const auto fits = [this] { return Label1->heightForWidth(Label1->width()) <= Label1->height(); };
    if (fits())
        return;
    const QFontMetrics metrics(Label1->font());
    int low = 0;  // the widest path part known to fit
    int high = metrics.horizontalAdvance(m_path);
    while (low + 1 < high) {
        const int middle = (low + high) / 2;
        Label1->setText(questionWithPath(m_path, metrics, middle));
        (fits() ? low : high) = middle;
    }
    Label1->setText(questionWithPath(m_path, metrics, low));
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
