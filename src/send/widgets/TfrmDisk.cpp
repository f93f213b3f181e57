#include "send/widgets/TfrmDisk.h"

#include "platform/Desktop.h"
#include "platform/Interaction.h"
#include "send/FloppyDisk.h"
#include "send/Sending.h"
#include "send/widgets/ChannelWindowParts.h"
#include "ui/widgets/Layouts.h"
#include "ui/widgets/WindowPlacement.h"

#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// What an entry of the media list shows besides the mount point: the label before it, the size and
// the free space after it.
constexpr int kHeadRole = Qt::UserRole + 1;
constexpr int kTailRole = Qt::UserRole + 2;

// The width an item's text may take in the list.
int textWidth(int itemWidth, const QWidget *list)
{
    // The style leaves a margin at each side of an item's text.
    const QStyle *style = list ? list->style() : nullptr;
    const int margin = style ? style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1 : 3;
    return itemWidth - 2 * margin;
}

// An entry too long for the list loses the middle of its mount point, never the label, the size or
// the free space.
QString fittedText(const QModelIndex &index, const QFontMetrics &metrics, int width)
{
    const QString head = index.data(kHeadRole).toString();
    const QString tail = index.data(kTailRole).toString();
    const int room = width - metrics.horizontalAdvance(head + tail);
    return head + metrics.elidedText(index.data(Qt::UserRole).toString(), Qt::ElideMiddle, std::max(room, 0)) + tail;
}

class MediumDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->rect.width() > 0)
            option->text = fittedText(index, option->fontMetrics, textWidth(option->rect.width(), option->widget));
    }
};

} // namespace

QString TfrmDisk::shownText(int row) const
{
    const QModelIndex index = m_lstMedia->model()->index(row, 0);
    return fittedText(index, m_lstMedia->fontMetrics(), textWidth(m_lstMedia->visualRect(index).width(), m_lstMedia));
}

TfrmDisk::TfrmDisk(SendContext context, QWidget *parent)
    : QDialog(parent), m_context(std::move(context)), m_Button1(new QPushButton(QStringLiteral("Create Disk"), this)),
      m_Button2(new QPushButton(QStringLiteral("Return"), this)), m_lblDrive(new QLabel(this)),
      m_lstMedia(new QListWidget(this))
{
    setObjectName(QStringLiteral("frmDisk"));
    setWindowTitle(QStringLiteral("Sorvik Disk"));
    setModal(true);
    WindowPlacement::useDialogFrame(this);

    m_poll.setInterval(2000);
    buildUi();
    wireHandlers();
    refreshMedia();
}

void TfrmDisk::buildUi()
{
    QLabel *explanation = ChannelWindowParts::wrappedLabel(
        QStringLiteral("Selecting DISK now will close the instructions, delete the files on the diskette in drive A: "
                       "then copy Sorvik files to the disk in drive A:\\.  Be sure you understand the instructions "
                       "before proceeding."),
        this);
    m_Button1->setObjectName(QStringLiteral("Button1"));
    m_Button2->setObjectName(QStringLiteral("Button2"));
    // Create Disk erases the medium: Enter pressed at once, as a window is dismissed, returns instead.
    m_Button2->setDefault(true);
    m_lblDrive->setObjectName(QStringLiteral("lblDrive"));
    m_lblDrive->setWordWrap(true);
    m_lblDrive->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lblDrive->setFocusPolicy(Qt::NoFocus);
    m_lstMedia->setObjectName(QStringLiteral("lstMedia"));
    m_lstMedia->setAccessibleName(QStringLiteral("Removable disks"));
    m_lstMedia->setMaximumHeight(90);
    m_lstMedia->setItemDelegate(new MediumDelegate(m_lstMedia));
    m_lstMedia->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lblDrive->setBuddy(m_lstMedia);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addWidget(m_lblDrive);
    layout->addWidget(m_lstMedia);
    layout->addLayout(Layouts::centredRow({m_Button1, m_Button2}));
    setFixedWidth(420);
}

void TfrmDisk::wireHandlers()
{
    connect(m_Button1, &QPushButton::clicked, this, &TfrmDisk::Button1Click);
    connect(m_Button2, &QPushButton::clicked, this, &TfrmDisk::Button2Click);
    connect(m_lstMedia, &QListWidget::currentRowChanged, this,
            [this] { m_Button1->setEnabled(!chosenDrive().isEmpty()); });
    connect(&m_poll, &QTimer::timeout, this, &TfrmDisk::refreshMedia);
}

void TfrmDisk::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    refreshMedia();
    if (FloppyDisk::mappedDrive().isEmpty())
        m_poll.start();
    m_Button2->setFocus(Qt::OtherFocusReason);
}

void TfrmDisk::hideEvent(QHideEvent *event)
{
    m_poll.stop();
    QDialog::hideEvent(event);
}

void TfrmDisk::refreshMedia()
{
    const QString mapped = FloppyDisk::mappedDrive();
    m_lstMedia->setVisible(mapped.isEmpty());
    if (!mapped.isEmpty()) {
        m_lblDrive->setText(QStringLiteral("Drive A: is the folder %1 on this computer.").arg(mapped));
        m_Button1->setEnabled(true);
        ChannelWindowParts::fitHeight(this);
        return;
    }
    const QString kept = chosenDrive();
    const QSignalBlocker blocker(m_lstMedia);
    m_lstMedia->clear();
    const QLocale locale;
    for (const Desktop::Medium &medium : Desktop::current().removableMedia()) {
        const QString head = medium.label + QStringLiteral(" - ");
        const QString tail =
            QStringLiteral(" (%1, %2 free)")
                .arg(locale.formattedDataSize(medium.bytesTotal), locale.formattedDataSize(medium.bytesFree));
        // The item keeps the whole text, for tests and screen readers; the list shows it shortened.
        auto *item = new QListWidgetItem(head + medium.mountPoint + tail, m_lstMedia);
        item->setData(Qt::UserRole, medium.mountPoint);
        item->setData(kHeadRole, head);
        item->setData(kTailRole, tail);
        item->setToolTip(item->text());
        if (medium.mountPoint == kept || m_lstMedia->currentRow() < 0)
            m_lstMedia->setCurrentItem(item);
    }
    m_lblDrive->setText(m_lstMedia->count() == 0
                            ? QStringLiteral("No removable disk is mounted. Insert a USB stick, a memory card or a "
                                             "diskette; it appears here, and Create Disk then uses it as drive A:.")
                            : QStringLiteral("&Removable disk to use as drive A:"));
    m_Button1->setEnabled(!chosenDrive().isEmpty());
    ChannelWindowParts::fitHeight(this);
}

QString TfrmDisk::chosenDrive() const
{
    const QString mapped = FloppyDisk::mappedDrive();
    if (!mapped.isEmpty())
        return mapped;
    const QListWidgetItem *item = m_lstMedia->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void TfrmDisk::Button1Click()
{
    const QString drive = chosenDrive();
    // Without a disk to make there is nothing to do yet.
    if (drive.isEmpty())
        return;
    Interaction &interaction = m_context.interaction;
    hide();
    interaction.processEvents();
    interaction.information(QStringLiteral("Insert diskette in drive A: then press Enter"));
    Sending::DiskSend disk{drive, FloppyDisk::mappedDrive().isEmpty(), [&interaction] {
                               return interaction.message(QStringLiteral("Warning"),
                                                          QStringLiteral("WARNING - All data will be erased from "
                                                                         "this diskette"),
                                                          Interaction::Icon::Warning,
                                                          Interaction::Buttons::OkCancel) == Interaction::Answer::Ok
                                          ? Sending::Erase::Yes
                                          : Sending::Erase::Cancel;
                           }};
    // The program ends only when every archive that goes is on the disk, read back and equal;
    // otherwise the user can try another disk. The window is closed already.
    if (!ChannelWindowParts::showOutcome(m_context, Sending::sendToDisk(interaction, m_context.results, disk))) {
        reject();
        return;
    }
    interaction.information(FloppyDisk::doneText());
    if (m_context.closeMainWindow)
        m_context.closeMainWindow();
    accept();
}

void TfrmDisk::Button2Click()
{
    reject();
}
