#include "app/widgets/TfrmProgress.h"

#include "session/Session.h"
#include "ui/widgets/Artwork.h"
#include "ui/widgets/Layouts.h"
#include "ui/widgets/WindowPlacement.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int kFrames = 24;
const QRect kAnimationArea(150, 4, 80, 50);
const QRect kImageArea(12, 8, 44, 44);

// A bar from 0 to 100 without text of its own; the label below it shows the percentage, centred.
void setUpBar(QProgressBar *bar, const QString &name, const QString &accessibleName, QLabel *percent,
              const QString &percentName)
{
    bar->setObjectName(name);
    bar->setAccessibleName(accessibleName);
    bar->setRange(0, 100);
    bar->setTextVisible(false);
    percent->setObjectName(percentName);
    percent->setAlignment(Qt::AlignCenter);
}

void showPercent(QProgressBar *bar, QLabel *percent, int value)
{
    bar->setValue(value);
    percent->setText(QString::number(value) + QLatin1Char('%'));
}
} // namespace

TfrmProgress::TfrmProgress(Session &session, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), m_session(session),
      m_lblServer(new QLabel(QStringLiteral("Analysis Progress"))), m_pbProgress(new QProgressBar),
      m_lblProgress(new QLabel(QStringLiteral("0%"))), m_pbTotal(new QProgressBar),
      m_lblTotal(new QLabel(QStringLiteral("0%"))), m_bbtAbort(new QPushButton(QStringLiteral("Abort"))),
      m_animation(new QTimer(this))
{
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(QStringLiteral("Progress"));
    setFixedSize(239, 231);
    WindowPlacement::useDialogFrame(this);
    setModal(false);
    m_animation->setInterval(80);
    buildUi();
    wireHandlers();
}

void TfrmProgress::buildUi()
{
    m_lblServer->setObjectName(QStringLiteral("lblServer"));
    setUpBar(m_pbProgress, QStringLiteral("pbProgress"), QStringLiteral("Analysis Progress"), m_lblProgress,
             QStringLiteral("lblProgress"));
    setUpBar(m_pbTotal, QStringLiteral("pbTotal"), QStringLiteral("Total Analysis Progress"), m_lblTotal,
             QStringLiteral("lblTotal"));
    m_bbtAbort->setObjectName(QStringLiteral("bbtAbort"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 58, 8, 8);
    layout->addWidget(m_lblServer);
    layout->addWidget(m_pbProgress);
    layout->addWidget(m_lblProgress);
    layout->addWidget(new QLabel(QStringLiteral("Total Analysis Progress")));
    layout->addWidget(m_pbTotal);
    layout->addWidget(m_lblTotal);
    layout->addWidget(m_bbtAbort, 0, Qt::AlignHCenter);
}

void TfrmProgress::wireHandlers()
{
    connect(m_animation, &QTimer::timeout, this, [this] {
        m_frame = m_frame % kFrames + 1;
        update(kAnimationArea);
    });
    connect(m_bbtAbort, &QPushButton::clicked, this, &TfrmProgress::bbtAbortClick);
    // Escape is Abort; a dialog would otherwise hide itself and leave the scan running unseen.
    Layouts::onEscape(this, [this] { m_bbtAbort->click(); });
}

void TfrmProgress::showProgress()
{
    show();
    FormShow();
}

void TfrmProgress::FormShow()
{
    setServerProgress(0);
    m_frame = 1;
    m_animation->start();
    m_bbtAbort->setEnabled(true);
    m_session.interaction().processEvents();
}

void TfrmProgress::hideProgress()
{
    hide();
}

void TfrmProgress::setServerLabel(const QString &text)
{
    m_lblServer->setText(text);
}

void TfrmProgress::setServerProgress(int percent)
{
    showPercent(m_pbProgress, m_lblProgress, percent);
}

void TfrmProgress::setTotalProgress(int percent)
{
    showPercent(m_pbTotal, m_lblTotal, percent);
}

void TfrmProgress::bbtAbortClick()
{
    m_bbtAbort->setEnabled(false);
    m_session.interaction().processEvents();
    m_session.abortFlag = true;
}

void TfrmProgress::closeEvent(QCloseEvent *event)
{
    // Closing the window does not stop the scan.
    FormClose();
    QDialog::closeEvent(event);
}

void TfrmProgress::FormClose()
{
    m_animation->stop();
}

void TfrmProgress::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The image: the servers being analysed; at its right the animation, a lens sweeping over a row
    // of computers.
    Artwork::paint(p, QStringLiteral("scan"), kImageArea);
    const QRectF area = kAnimationArea;
    for (int i = 0; i < 3; ++i)
        Artwork::paint(p, QStringLiteral("computer"), QRectF(area.left() + 2 + i * 26, area.top() + 20, 24, 24));
    const double phase = double(m_frame - 1) / kFrames;
    const double sweep = phase < 0.5 ? phase * 2 : (1 - phase) * 2;
    Artwork::paint(p, QStringLiteral("lens"), QRectF(area.left() + sweep * (area.width() - 30), area.top(), 30, 30));
}
