#include "ui/TfrmSplash.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace {
// How long start-up waits for the window manager to put the splash on screen.
constexpr int kMapWaitMs = 3000;
} // namespace

TfrmSplash::TfrmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), m_lblLoading(new QLabel(this))
{
    setObjectName(QStringLiteral("TfrmSplash"));
    setFixedSize(416, 253);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    m_lblLoading->setObjectName(QStringLiteral("lblLoading"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(13);
    m_lblLoading->setFont(font);
    m_lblLoading->setGeometry(72, 176, 300, 18);
    m_lblLoading->setText(QStringLiteral("Getting Server List......"));

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmSplash::setStatus(const QString &text)
{
    m_lblLoading->setText(text);
}

QString TfrmSplash::status() const
{
    return m_lblLoading->text();
}

void TfrmSplash::showPainted()
{
    show();
    QTimer limit;
    limit.setSingleShot(true);
    limit.start(kMapWaitMs);
    while (!(windowHandle() && windowHandle()->isExposed()) && limit.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    repaint();
    QCoreApplication::processEvents();
}

void TfrmSplash::paintEvent(QPaintEvent *)
{
    // The product's artwork: a blue band with the name, a clock face for the year 2000.
    m_painted = true;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), Qt::white);
    QLinearGradient band(0, 0, width(), 0);
    band.setColorAt(0, QColor(0x12, 0x3a, 0x7a));
    band.setColorAt(1, QColor(0x3a, 0x78, 0xc8));
    p.fillRect(QRect(0, 0, width(), 120), band);

    QFont title(QStringLiteral("Arial"));
    title.setPixelSize(40);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(24, 20, 300, 50), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Sorvik"));
    QFont sub(QStringLiteral("Arial"));
    sub.setPixelSize(15);
    p.setFont(sub);
    p.drawText(QRect(26, 70, 320, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Year 2000 Information Collection"));

    const QPoint c(350, 60);
    p.setPen(QPen(Qt::white, 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 36, 36);
    p.drawLine(c, c + QPoint(0, -26));
    p.drawLine(c, c + QPoint(18, 0));

    p.setPen(QColor(0x40, 0x40, 0x40));
    p.setFont(sub);
    p.drawText(QRect(24, 136, 380, 24), Qt::AlignLeft, QStringLiteral("Orvane Year2000 Sorvik v1.3"));
}
