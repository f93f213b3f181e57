#include "ui/widgets/TfrmHelp.h"

#include "ui/HelpText.h"
#include "ui/widgets/AccessibleControl.h"
#include "ui/widgets/Layouts.h"
#include "ui/widgets/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTextEdit>
#include <QToolTip>
#include <QVBoxLayout>

TfrmHelp::TfrmHelp(QWidget *parent) : QWidget(parent, Qt::Window), m_edtHelp(new QTextEdit)
{
    setObjectName(QStringLiteral("frmHelp"));
    AccessibleControl::installWindow("TfrmHelp");
    setWindowTitle(QStringLiteral("Orvane Sorvik Help"));
    resize(600, 400);
    buildUi();
    wireHandlers();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmHelp::buildUi()
{
    m_edtHelp->setObjectName(QStringLiteral("edtHelp"));
    m_edtHelp->setReadOnly(true);
    m_edtHelp->setAccessibleName(windowTitle());
    m_edtHelp->setAcceptRichText(false);
    m_edtHelp->setLineWrapMode(QTextEdit::NoWrap);
    m_edtHelp->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_edtHelp->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(13);
    m_edtHelp->setFont(font);
    QPalette pal = m_edtHelp->palette();
    pal.setColor(QPalette::Base, QToolTip::palette().color(QPalette::ToolTipBase));
    pal.setColor(QPalette::Text, QToolTip::palette().color(QPalette::ToolTipText));
    m_edtHelp->setPalette(pal);
    m_edtHelp->setPlainText(helpText());

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_edtHelp);
}

void TfrmHelp::moveCaretToStart()
{
    QTextCursor cursor = m_edtHelp->textCursor();
    cursor.movePosition(QTextCursor::Start);
    m_edtHelp->setTextCursor(cursor);
    m_edtHelp->verticalScrollBar()->setValue(0);
    m_edtHelp->horizontalScrollBar()->setValue(0);
}

void TfrmHelp::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        WindowPlacement::centreOnScreen(this);
}

void TfrmHelp::wireHandlers()
{
    Layouts::onEscape(this, [this] { close(); });
}
