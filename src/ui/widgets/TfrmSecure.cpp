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
} // namespace

TfrmSecure::TfrmSecure(QWidget *parent) : QDialog(parent), m_animation(new QTimer(this))
{
    WindowPlacement::useDialogFrame(this);
    setObjectName(QStringLiteral("frmSecure"));
    setWindowTitle(QStringLiteral("About Quarlix Y2K Sorvik"));
    setFixedSize(258, 282);
    setModal(true);
    Artwork::setWhiteGround(this);

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
    // Set after the last word, raised: the product line is wrapped word by word within 193 pixels, and
    // the mark follows the end of its last line.
    const QFontMetrics metrics(big);
    QString lastLine;
    int lines = 1;
    for (const QString &word : label1->text().split(QLatin1Char(' '))) {
        const QString longer = lastLine.isEmpty() ? word : lastLine + QLatin1Char(' ') + word;
        if (!lastLine.isEmpty() && metrics.horizontalAdvance(longer) > 193) {
            lastLine = word;
            ++lines;
        } else {
            lastLine = longer;
        }
    }
    label5->adjustSize();
    const int lineTop = 150 + (48 - lines * metrics.lineSpacing()) / 2 + (lines - 1) * metrics.lineSpacing();
    label5->move(12 + metrics.horizontalAdvance(lastLine) + 1, lineTop + 1);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setGeometry((258 - 75) / 2, 245, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TfrmSecure::BitBtn1Click);

    m_animation->setInterval(120);
    connect(m_animation, &QTimer::timeout, this, [this] {
        m_frame = m_frame % kFrames + 1;
        update(kAnimation);
    });
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmSecure::BitBtn1Click()
{
    accept();
}

void TfrmSecure::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        WindowPlacement::centreOnScreen(this);
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
