#include "send/widgets/ChannelWindowParts.h"

#include "app/session/Product.h"
#include "platform/Interaction.h"
#include "send/FloppyDisk.h"
#include "send/SendContext.h"
#include "send/widgets/TURLLabel.h"

#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace ChannelWindowParts {

QLabel *wrappedLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("Label1"));
    label->setWordWrap(true);
    return label;
}

void useLinkFont(QWidget *label)
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(16);
    font.setUnderline(true);
    label->setFont(font);
}

void setUpLink(TURLLabel *label, TLabelType type, SendContext &context, std::function<void()> onClick)
{
    label->setObjectName(QStringLiteral("URLLabel1"));
    label->setLabelType(type);
    useLinkFont(label);
    label->setOnClick(std::move(onClick));
    label->setExceptionHandler(
        [&context](const std::exception &failure) { context.interaction.showException(exceptionText(failure)); });
}

void fitHeight(QDialog *window)
{
    QLayout *layout = window->layout();
    window->setFixedHeight(layout->hasHeightForWidth() ? layout->totalHeightForWidth(window->width())
                                                       : layout->totalSizeHint().height());
}

QLayout *folderRow(QWidget *parent)
{
    auto *where = new QLabel(QStringLiteral("The archives are kept in %1, on this computer:\n%2")
                                 .arg(Product::outputDirectory(), SendChannel::hostOutputDirectory()),
                             parent);
    where->setObjectName(QStringLiteral("lblHostFolder"));
    where->setWordWrap(true);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Selected with the mouse for copying, never a stop of the keyboard, so not a control either.
    where->setFocusPolicy(Qt::NoFocus);
    auto *open = new QPushButton(QStringLiteral("Open folder"), parent);
    open->setObjectName(QStringLiteral("btnOpenFolder"));
    open->setAutoDefault(false);
    QObject::connect(open, &QPushButton::clicked, parent, [] { SendChannel::openOutputFolder(); });
    auto *row = new QHBoxLayout;
    row->addWidget(where, 1);
    row->addWidget(open, 0, Qt::AlignVCenter);
    return row;
}

SendChannel::Archive buildArchive(SendContext &context)
{
    SendChannel::Archive archive = SendChannel::build(context.interaction, context.results);
    // The results box goes with the main window: what it says about kept files is shown now.
    if (!archive.problems.isEmpty())
        context.interaction.warning(SendChannel::problemsText(archive.problems));
    return archive;
}

bool leaveThroughChannel(SendContext &context, QDialog *window,
                         const std::function<void(const SendChannel::Archive &)> &beforeClose)
{
    const SendChannel::Archive archive = buildArchive(context);
    // An archive without entries (no data files) and no earlier archive: leaving now would look like
    // a send. The empty archive goes again; the window stays, so the user can return and scan.
    if (QFileInfo(archive.hostPath).size() == 0 && !FloppyDisk::hasArchives()) {
        QFile::remove(archive.hostPath);
        context.interaction.warning(
            QStringLiteral("There is nothing to send: %1 holds no data files.\nScan servers first, then send.")
                .arg(Product::outputDirectory()));
        return false;
    }
    if (beforeClose)
        beforeClose(archive);
    if (context.closeMainWindow)
        context.closeMainWindow();
    window->accept();
    return true;
}

} // namespace ChannelWindowParts
