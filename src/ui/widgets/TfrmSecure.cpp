#include "ui/widgets/TfrmSecure.h"

#include "ui/widgets/Artwork.h"
#include "ui/widgets/WindowPlacement.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

namespace {
constexpr int kFrames = 8;
const QRect kPicture(0, 0, 257, 233);
const QRect kAnimation(204, 190, 48, 45);
// Puts the trademark sign just after the last word of the product line.
void placeMark(QLabel *mark, const QString &line, const QFont &font)
{
    // Set after the last word, raised: the product line is wrapped word by word within 193 pixels, and
    // the mark follows the end of its last line.
    const QFontMetrics metrics(font);
    QString lastLine;
    int lines = 1;
    for (const QString &word : line.split(QLatin1Char(' '))) {
        const QString longer = lastLine.isEmpty() ? word : lastLine + QLatin1Char(' ') + word;
        if (!lastLine.isEmpty() && metrics.horizontalAdvance(longer) > 193) {
            lastLine = word;
            ++lines;
        } else {
            lastLine = longer;
        }
    }
    mark->adjustSize();
    const int lineTop = 150 + (48 - lines * metrics.lineSpacing()) / 2 + (lines - 1) * metrics.lineSpacing();
    mark->move(12 + metrics.horizontalAdvance(lastLine) + 1, lineTop + 1);
}

} // namespace

TfrmSecure::TfrmSecure(QWidget *parent) : QDialog(parent), m_animation(new QTimer(this))
{
    WindowPlacement::useDialogFrame(this);
    setObjectName(QStringLiteral("frmSecure"));
    setWindowTitle(QStringLiteral("About Quarlix Y2K Sorvik"));
    setFixedSize(258, 282);
    setModal(true);
    Artwork::setWhiteGround(this);
    m_animation->setInterval(120);

    buildUi();
    wireHandlers();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmSecure::buildUi()
{
    auto *label1 = new QLabel(QStringLiteral("Year 2000 Information Sorvik"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    QFont big(QStringLiteral("Arial"));
    big.setPixelSize(19);
    label1->setFont(big);
    label1->setWordWrap(true);
    label1->setGeometry(12, 150, 193, 48);
    auto *label5 = new QLabel(QStringLiteral("TM"), this);
    label5->setObjectName(QStringLiteral("Label5"));
    QFont small(QStringLiteral("Arial"));
    small.setPixelSize(8);
    label5->setFont(small);
    placeMark(label5, label1->text(), big);

    m_BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    m_BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    m_BitBtn1->setGeometry((258 - 75) / 2, 245, 75, 25);
    m_BitBtn1->setDefault(true);
}

void TfrmSecure::wireHandlers()
{
    connect(m_BitBtn1, &QPushButton::clicked, this, &TfrmSecure::BitBtn1Click);
    connect(m_animation, &QTimer::timeout, this, [this] {
        m_frame = m_frame % kFrames + 1;
        update(kAnimation);
    });
}

void TfrmSecure::BitBtn1Click()
{
    accept();
}

void TfrmSecure::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_frame = 1;
    m_animation->start();
}

void TfrmSecure::hideEvent(QHideEvent *event)
{
    m_animation->stop();
    QDialog::hideEvent(event);
}

void TfrmSecure::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The picture: a server stack beside a clock at the year's turn, as on the splash window.
    Artwork::paint(p, QStringLiteral("about"), kPicture);
    // The animation: a lens sweeping over a computer.
    const double phase = double(m_frame - 1) / kFrames;
    const double sweep = phase < 0.5 ? phase * 2 : (1 - phase) * 2;
    Artwork::paint(p, QStringLiteral("computer"), QRectF(kAnimation.left() + 12, kAnimation.top() + 17, 26, 26));
    Artwork::paint(p, QStringLiteral("lens"), QRectF(kAnimation.left() + sweep * 26, kAnimation.top(), 22, 22));
}
