#include "send/widgets/TfrmSend.h"

#include "send/OutputDirectory.h"
#include "send/SendChannel.h"
#include "send/widgets/TfrmDisk.h"
#include "send/widgets/TfrmEmail.h"
#include "send/widgets/TfrmFTP.h"
#include "session/Product.h"
#include "ui/widgets/Layouts.h"
#include "ui/widgets/WindowPlacement.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmSend::TfrmSend(SendContext context, QWidget *parent)
    : QDialog(parent), m_frmFTP(std::make_unique<TfrmFTP>(context)), m_frmEmail(std::make_unique<TfrmEmail>(context)),
      m_frmDisk(std::make_unique<TfrmDisk>(context)),
      m_Label1(new QLabel(
          QStringLiteral("Data must be sent to Orvane to receive the Year 2000 Server Information Report."), this)),
      m_Button1(new QPushButton(QStringLiteral("FTP"), this)),
      m_Button2(new QPushButton(QStringLiteral("EMAIL"), this)),
      m_Button3(new QPushButton(QStringLiteral("DISK"), this)), m_RichEdit1(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("frmSend"));
    setWindowTitle(QStringLiteral("Send Year2000 Files to Orvane"));
    setModal(true);
    WindowPlacement::centreAtEveryShowing(this);
    buildUi();
    wireHandlers();
}

void TfrmSend::buildUi()
{
    Layouts::setNames({{m_Label1, "Label1"}, {m_Button1, "Button1"}, {m_Button2, "Button2"}, {m_Button3, "Button3"}});
    m_RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    m_RichEdit1->setReadOnly(true);
    m_RichEdit1->setAccessibleName(QStringLiteral("Instructions"));
    m_RichEdit1->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_RichEdit1->setPlainText(instructions());

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_Button1);
    buttons->addWidget(m_Button2);
    buttons->addWidget(m_Button3);
    buttons->addStretch();
    // Made after the instructions, so that Tab reaches it last.
    m_btnOpenFolder = new QPushButton(QStringLiteral("Open folder"), this);
    m_btnOpenFolder->setObjectName(QStringLiteral("btnOpenFolder"));
    m_btnOpenFolder->setToolTip(OutputDirectory::hostPath());
    buttons->addWidget(m_btnOpenFolder);
    auto *body = new QHBoxLayout;
    body->addLayout(buttons);
    body->addWidget(m_RichEdit1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_Label1);
    layout->addLayout(body, 1);
    resize(640, 420);
}

void TfrmSend::wireHandlers()
{
    connect(m_Button1, &QPushButton::clicked, this, &TfrmSend::Button1Click);
    connect(m_Button2, &QPushButton::clicked, this, &TfrmSend::Button2Click);
    connect(m_Button3, &QPushButton::clicked, this, &TfrmSend::Button3Click);
    connect(m_btnOpenFolder, &QPushButton::clicked, this, [] { SendChannel::openOutputFolder(); });
}

TfrmSend::~TfrmSend() = default;

void TfrmSend::Button1Click()
{
    showChannel(m_frmFTP.get());
}

void TfrmSend::Button2Click()
{
    showChannel(m_frmEmail.get());
}

void TfrmSend::Button3Click()
{
    showChannel(m_frmDisk.get());
}

void TfrmSend::showChannel(QDialog *channel)
{
    // The floppy channel hides its window while it works and handles events between files: this
    // window stays out of reach meanwhile, so no second channel can start.
    setEnabled(false);
    const int result = channel->exec();
    setEnabled(true);
    // A channel window ends accepted only after its action has closed the main window.
    if (result == QDialog::Accepted)
        accept();
}

QString TfrmSend::instructions()
{
    const QString output = Product::outputDirectory();
    // Where the folder is on this computer, beside each step that sends the user there.
    const QString here = QStringLiteral("\t(on this computer the folder is %1; \"Open folder\" opens it)")
                             .arg(OutputDirectory::hostPath());
    QStringList lines;
    lines << QStringLiteral("PLEASE FOLLOW THESE INSTRUCTIONS CAREFULLY.  IMPROPERLY TRANSMITTED DATA WILL NOT BE")
          << QStringLiteral("PROCESSED BY ORVANE, AND NO YEAR 2000 SERVER INFORMATION REPORT WILL BE")
          << QStringLiteral("SENT TO YOU FOR IT.") << QString()
          << QStringLiteral("Every time you press \"Scan Servers\", Sorvik writes one file with the extension .DAT")
          << QStringLiteral("for each server it scans.  When you leave the program, Sorvik packs all the .DAT files")
          << QStringLiteral("of this session into a single file with the extension .ZIP.  As soon as you select one")
          << QStringLiteral("of the methods below, Sorvik creates the .ZIP file and closes by itself.") << QString()
          << QStringLiteral("Select one of the following methods to send the data (.ZIP) files to Orvane:") << QString()
          << QStringLiteral("FTP")
          << QStringLiteral("1.  Your web browser opens the Orvane upload page (http://%1%2), and Sorvik closes.")
                 .arg(MakerAddress::webHost(), MakerAddress::uploadPath())
          << QStringLiteral("\t(NetScape preferred, FTP upload not supported by Microsoft's Internet Explorer)")
          << QStringLiteral("2.  Select \"Upload Zip Files\" on that page.")
          << QStringLiteral("3.  Open the Windows Explorer.")
          << QStringLiteral("4.  In the Explorer, open the folder %1.").arg(output) << here
          << QStringLiteral("5.  Arrange the browser and the Explorer so that you can see both windows.")
          << QStringLiteral("6.  In the Explorer, select the files with the extension .ZIP.")
          << QStringLiteral("7.  Drag the selected files into the FTP window of the browser.")
          << QStringLiteral("8.  Select OK in the FTP window.")
          << QStringLiteral("9.  When the upload is done, move the .ZIP files into an archive folder (create a new")
          << QStringLiteral(
                 "\tfolder under the Sorvik folder if you have none) so that the same data is not sent twice.")
          << QString() << QStringLiteral("EMAIL")
          << QStringLiteral("1.  Your default e-mail program opens a new message addressed to %1")
                 .arg(MakerAddress::dataMailbox())
          << QStringLiteral(
                 "\t(if the address is missing, enter it yourself).  Add the subject: \"Year 2000 Assessment\"")
          << QStringLiteral("\t(on this computer the message opens with the subject and the new .ZIP file attached")
          << QStringLiteral("\twhere the mail program allows it; otherwise the folder opens for attaching by hand)")
          << QStringLiteral("2.  Attach the .ZIP files from the folder %1.").arg(output) << here
          << QStringLiteral("3.  Send the message.")
          << QStringLiteral("4.  Move the .ZIP files into an archive folder, as described for FTP above.") << QString()
          << QStringLiteral("NOTE: Files that do not have the extension .ZIP or that were not created by Sorvik will")
          << QStringLiteral("not be processed.  Please do not send any correspondence to %1; send your")
                 .arg(MakerAddress::dataMailbox())
          << QStringLiteral("questions to %1 instead.").arg(MakerAddress::questionMailbox()) << QString()
          << QStringLiteral("DISK ")
          << QStringLiteral("1.  Insert a formatted diskette in drive A:.  All data on the diskette will be erased.")
          << QStringLiteral("\t(on this computer drive A: is the USB stick, memory card or diskette you pick in the")
          << QStringLiteral("\tDISK window; each .ZIP file copied to it is read back and checked)")
          << QStringLiteral("2.  When the files have been copied, remove the diskette and return it to Orvane in the")
          << QStringLiteral("\tenclosed mailer, or send it to:");
    for (const QString &line : MakerAddress::postalAddress())
        lines << QLatin1Char('\t') + line;
    return lines.join(QLatin1Char('\n'));
}
