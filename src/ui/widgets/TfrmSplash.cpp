#include "ui/widgets/TfrmSplash.h"
#include "session/Product.h"

#include "ui/widgets/Artwork.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
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
    Artwork::setWhiteGround(this);
    buildUi();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmSplash::buildUi()
{
    m_lblLoading->setObjectName(QStringLiteral("lblLoading"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(13);
    m_lblLoading->setFont(font);
    m_lblLoading->setGeometry(72, 176, 300, 18);
    m_lblLoading->setText(QStringLiteral("Getting Server List......"));
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
    // The product's artwork: a server stack beside a clock at the year's turn, with the name.
    m_painted = true;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    Artwork::paint(p, QStringLiteral("splash"), rect());

    Artwork::paintBandTitle(p, {QStringLiteral("Sorvik"), QRect(24, 20, 300, 50), 40},
                            {QStringLiteral("Year 2000 Information Collection"), QRect(26, 70, 320, 24), 15});

    QFont version(QStringLiteral("Arial"));
    version.setPixelSize(15);
    p.setFont(version);
    p.setPen(QColor(0x1F, 0x3A, 0x5F));
    p.drawText(QRect(24, 136, 380, 24), Qt::AlignLeft,
               Product::applicationTitle() + QStringLiteral(" v") + Product::versionText());
}
