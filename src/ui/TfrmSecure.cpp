#include "ui/TfrmSecure.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {
constexpr int kFrames = 8;
const QRect kPicture(0, 0, 257, 233);
const QRect kAnimation(204, 190, 48, 45);
} // namespace

TfrmSecure::TfrmSecure(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_animation(new QTimer(this))
{
    setObjectName(QStringLiteral("frmSecure"));
    setWindowTitle(QStringLiteral("About Quarlix Y2K Sorvik"));
    setFixedSize(258, 282);
    setModal(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

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
    // Set after the last word, raised.
    const QFontMetrics metrics(big);
    label5->move(12 + metrics.horizontalAdvance(QStringLiteral("Information Sorvik")) + 1, 174);
    label5->adjustSize();

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
    // The picture: a sky band over a server with a clock face at the year's turn.
    QLinearGradient sky(kPicture.topLeft(), kPicture.bottomLeft());
    sky.setColorAt(0, QColor(0x12, 0x3a, 0x7a));
    sky.setColorAt(1, QColor(0xff, 0xff, 0xff));
    p.fillRect(QRect(0, 0, 257, 140), sky);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    p.setBrush(QColor(0xd8, 0xd8, 0xd8));
    p.drawRect(QRect(40, 40, 60, 90));
    for (int i = 0; i < 4; ++i)
        p.drawLine(48, 56 + i * 16, 92, 56 + i * 16);
    const QPoint centre(175, 75);
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(0x12, 0x3a, 0x7a), 3));
    p.drawEllipse(centre, 40, 40);
    p.drawLine(centre, centre + QPoint(0, -30));
    p.drawLine(centre, centre + QPoint(0, -22));
    QFont year(QStringLiteral("Arial"));
    year.setPixelSize(14);
    year.setBold(true);
    p.setFont(year);
    p.drawText(QRect(centre.x() - 30, centre.y() + 8, 60, 20), Qt::AlignCenter, QStringLiteral("2000"));

    // The animation: a magnifying glass sweeping over a computer.
    const double phase = double(m_frame - 1) / kFrames;
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    p.setBrush(QColor(0x3a, 0x78, 0xc8));
    p.drawRect(kAnimation.left() + 10, kAnimation.top() + 20, 26, 18);
    const int x = kAnimation.left() + 8 + int(24 * (phase < 0.5 ? phase * 2 : (1 - phase) * 2));
    p.setBrush(QColor(255, 255, 255, 140));
    p.setPen(QPen(QColor(0x20, 0x20, 0x20), 2));
    p.drawEllipse(QPoint(x + 6, kAnimation.top() + 14), 6, 6);
    p.drawLine(QPoint(x + 10, kAnimation.top() + 18), QPoint(x + 15, kAnimation.top() + 23));
}
