#include "send/TfrmDisk.h"

#include "app/SessionArchive.h"
#include "platform/Interaction.h"
#include "send/ChannelWindowParts.h"
#include "send/FloppyDisk.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmDisk::TfrmDisk(SendContext context, QWidget *parent)
    : QDialog(parent), m_context(std::move(context)), m_Button1(new QPushButton(QStringLiteral("Create Disk"), this)),
      m_Button2(new QPushButton(QStringLiteral("Return"), this))
{
    setObjectName(QStringLiteral("frmDisk"));
    setWindowTitle(QStringLiteral("Sorvik Disk"));
    setModal(true);

    QLabel *explanation = ChannelWindowParts::wrappedLabel(
        QStringLiteral("Selecting DISK now will close the instructions, delete the files on the diskette in drive A: "
                       "then copy Sorvik files to the disk in drive A:\\.  Be sure you understand the instructions "
                       "before proceeding."),
        this);
    m_Button1->setObjectName(QStringLiteral("Button1"));
    m_Button2->setObjectName(QStringLiteral("Button2"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_Button1);
    buttons->addWidget(m_Button2);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(buttons);
    setFixedWidth(420);

    connect(m_Button1, &QPushButton::clicked, this, &TfrmDisk::Button1Click);
    connect(m_Button2, &QPushButton::clicked, this, &TfrmDisk::Button2Click);
}

void TfrmDisk::Button1Click()
{
    Interaction &interaction = m_context.interaction;
    hide();
    interaction.processEvents();
    interaction.information(QStringLiteral("Insert diskette in drive A: then press Enter"));
    const Interaction::Answer answer = interaction.message(
        QStringLiteral("Warning"), QStringLiteral("WARNING - All data will be erased from this diskette"),
        Interaction::Icon::Warning, Interaction::Buttons::OkCancel);
    if (answer != Interaction::Answer::Ok) {
        reject();
        return;
    }

    FloppyDisk::erase(interaction);
    try {
        BuildSessionArchive(interaction, m_context.results);
    } catch (const std::exception &failure) {
        // The floppy gets nothing and the program keeps running; the window is closed already.
        interaction.showException(exceptionText(failure));
        reject();
        return;
    }
    FloppyDisk::copyArchives(interaction);
    interaction.information(FloppyDisk::doneText());
    if (m_context.closeMainWindow)
        m_context.closeMainWindow();
    accept();
}

void TfrmDisk::Button2Click()
{
    reject();
}
