#include "app/TfrmProgress.h"

#include "app/Session.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int kFrames = 24;
const QRect kAnimationArea(150, 4, 80, 50);
} // namespace

TfrmProgress::TfrmProgress(Session &session, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_session(session), m_lblServer(new QLabel(QStringLiteral("Analysis Progress"))), m_pbProgress(new QProgressBar),
      m_lblProgress(new QLabel(QStringLiteral("0%"))), m_pbTotal(new QProgressBar),
      m_lblTotal(new QLabel(QStringLiteral("0%"))), m_bbtAbort(new QPushButton(QStringLiteral("Abort"))),
      m_animation(new QTimer(this))
{
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(QStringLiteral("Progress"));
    setFixedSize(239, 231);
    setModal(false);
    m_lblServer->setObjectName(QStringLiteral("lblServer"));
    m_pbProgress->setObjectName(QStringLiteral("pbProgress"));
    m_lblProgress->setObjectName(QStringLiteral("lblProgress"));
    m_pbTotal->setObjectName(QStringLiteral("pbTotal"));
    m_pbProgress->setAccessibleName(QStringLiteral("Analysis Progress"));
    m_pbTotal->setAccessibleName(QStringLiteral("Total Analysis Progress"));
    m_lblTotal->setObjectName(QStringLiteral("lblTotal"));
    m_bbtAbort->setObjectName(QStringLiteral("bbtAbort"));
    for (QProgressBar *bar : {m_pbProgress, m_pbTotal}) {
        bar->setRange(0, 100);
        bar->setTextVisible(false);
    }
    m_lblProgress->setAlignment(Qt::AlignCenter);
    m_lblTotal->setAlignment(Qt::AlignCenter);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 58, 8, 8);
    layout->addWidget(m_lblServer);
    layout->addWidget(m_pbProgress);
    layout->addWidget(m_lblProgress);
    layout->addWidget(new QLabel(QStringLiteral("Total Analysis Progress")));
    layout->addWidget(m_pbTotal);
    layout->addWidget(m_lblTotal);
    layout->addWidget(m_bbtAbort, 0, Qt::AlignHCenter);

    m_animation->setInterval(80);
    connect(m_animation, &QTimer::timeout, this, [this] {
        m_frame = m_frame % kFrames + 1;
        update(kAnimationArea);
    });
    connect(m_bbtAbort, &QPushButton::clicked, this, &TfrmProgress::bbtAbortClick);
}

void TfrmProgress::showProgress()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
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
    m_pbProgress->setValue(percent);
    m_lblProgress->setText(QString::number(percent) + QLatin1Char('%'));
}

void TfrmProgress::setTotalProgress(int percent)
{
    m_pbTotal->setValue(percent);
    m_lblTotal->setText(QString::number(percent) + QLatin1Char('%'));
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
    // Our own animation: a magnifying glass sweeping over a row of computers.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect area = kAnimationArea;
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    for (int i = 0; i < 3; ++i) {
        const QRect screen(area.left() + 4 + i * 25, area.top() + 22, 18, 13);
        p.setBrush(QColor(0x3a, 0x78, 0xc8));
        p.drawRect(screen);
        p.setBrush(QColor(0xb0, 0xb0, 0xb0));
        p.drawRect(screen.left() + 5, screen.bottom() + 2, 8, 3);
    }
    const double phase = double(m_frame - 1) / kFrames;
    const int x = area.left() + 8 + int((area.width() - 30) * (phase < 0.5 ? phase * 2 : (1 - phase) * 2));
    const QPoint lens(x + 8, area.top() + 16);
    p.setBrush(QColor(255, 255, 255, 140));
    p.setPen(QPen(QColor(0x20, 0x20, 0x20), 2));
    p.drawEllipse(lens, 8, 8);
    p.drawLine(lens + QPoint(6, 6), lens + QPoint(13, 13));
}
