#include "platform/widgets/WidgetInteraction.h"

#include <QApplication>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>

namespace {

// A box is never narrower than its caption: the window manager would cut a short box's caption off
// ("Orvan…Sorvik"). Room is left for the frame's icon and buttons beside the caption.
void fitCaption(QMessageBox &box)
{
    // A box of fixed size has a dialog's frame: a caption and a close button, no minimise or maximise.
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    constexpr int kFrameButtons = 110;
    QFont title = box.font();
    title.setBold(true);
    const int width = QFontMetrics(title).horizontalAdvance(box.windowTitle()) + kFrameButtons;
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

} // namespace

Interaction::Answer WidgetInteraction::message(const QString &caption, const QString &text, Icon icon, Buttons buttons)
{
    QMessageBox box;
    box.setWindowTitle(caption);
    box.setText(text);
    // In the order of Interaction::Icon.
    static const QMessageBox::Icon icons[] = {QMessageBox::NoIcon, QMessageBox::Information, QMessageBox::Warning,
                                              QMessageBox::Critical, QMessageBox::Question};
    box.setIcon(icons[int(icon)]);
    box.setStandardButtons(buttons == Buttons::Ok         ? QMessageBox::StandardButtons(QMessageBox::Ok)
                           : buttons == Buttons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                          : QMessageBox::Yes | QMessageBox::No);
    fitCaption(box);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        return dismissal(buttons);
    }
}

std::optional<QString> WidgetInteraction::inputBox(const QString &caption, const QString &prompt,
                                                   const QString &defaultText)
{
    bool ok = false;
    const QString text = QInputDialog::getText(nullptr, caption, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

void WidgetInteraction::showException(const QString &text)
{
    // Captioned with the application's title (see WindowProgram).
    QMessageBox box(QMessageBox::Critical, qApp->property("applicationTitle").toString(), text, QMessageBox::Ok);
    fitCaption(box);
    box.exec();
}

void WidgetInteraction::setBusyCursor(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void WidgetInteraction::processEvents()
{
    if (m_pump.due())
        QApplication::processEvents();
}
