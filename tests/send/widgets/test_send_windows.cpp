#include "platform/Drives.h"
#include "profile/ProfileStore.h"
#include "send/FloppyDisk.h"
#include "send/SendChannel.h"
#include "send/SessionArchive.h"
#include "send/UrlTarget.h"
#include "send/widgets/TURLLabel.h"
#include "send/widgets/TfrmDisk.h"
#include "send/widgets/TfrmEmail.h"
#include "send/widgets/TfrmFTP.h"
#include "send/widgets/TfrmSend.h"
#include "send/zip/ZipError.h"
#include "ui/HelpText.h"

#include "RecordingDesktop.h"
#include "RecordingInteraction.h"
#include "RecordingResults.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using Icon = Interaction::Icon;
using Buttons = Interaction::Buttons;
using Answer = Interaction::Answer;

const QString kTitle = QStringLiteral("Orvane Year2000 Sorvik");
const QString kUploadTarget = QStringLiteral("http:\\\\www.orvane.example/year2000/upload1.html ");
const QString kMailTarget = QStringLiteral("mailto:y2kdata@orvane.example");
const QString kDone = QStringLiteral("Done Creating Floppy\nPlease Send to:\n\nOrvane Inc.\nAttn: Year 2000 Server "
                                     "Reports\n1200 Harbour Lane, Suite 400\nLakeview, OR 97630");

QString outputHost()
{
    return Drives::hostPath(QStringLiteral("C:\\Orvane\\Sorvik"));
}
QString floppyHost()
{
    return Drives::hostPath(QStringLiteral("A:\\"));
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// An archive of an earlier session: only a ZIP archive goes, and one without entries whose comment is
// the text tells these apart ("PK\5\6", the end record: sixteen zero bytes, then the comment's length).
QByteArray earlierArchive(const QByteArray &comment)
{
    return QByteArray("PK\x05\x06") + QByteArray(16, '\0') + char(comment.size()) + '\0' + comment;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList names(const QString &directory, const QStringList &masks = {})
{
    return QDir(directory).entryList(masks, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Every file and directory under the mapped drives with its contents.
QMap<QString, QByteArray> diskSnapshot()
{
    QMap<QString, QByteArray> all;
    for (const char *drive : {"drive_c", "drive_a"}) {
        const QString root = TestEnvironment::root() + QLatin1Char('/') + QLatin1String(drive);
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            all.insert(path, QFileInfo(path).isDir() ? QByteArray("<dir>") : readFile(path));
        }
    }
    return all;
}

// The mapped drives, a company in the profile and one data file waiting in the output directory.
class SendTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TestEnvironment::fresh();
        QDir().mkpath(outputHost());
        QDir().mkpath(floppyHost());
        QSettings settings(ProfileStore::filePath(), QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("Orvane_Y2K"));
        settings.setValue(QStringLiteral("Company"), QStringLiteral("Acme Tools, Inc."));
        settings.sync();
        writeFile(outputHost() + QStringLiteral("/0A1B2C3D.DAT"), "server data\r\n");
        desktop.onCall = [this](const QString &call) {
            events.append(call);
            archivesWhenOpened = names(outputHost(), {QStringLiteral("*.zip")});
        };
    }

    SendContext context()
    {
        return SendContext{interaction, results, [this] {
                               ++mainWindowCloses;
                               events.append(QStringLiteral("close"));
                           }};
    }

    // Records each target a hyperlink opens, with what had happened by then.
    TURLLabel::Opener recordingOpener()
    {
        return [this](const QString &target) {
            events.append(QStringLiteral("open ") + target);
            archivesWhenOpened = names(outputHost(), {QStringLiteral("*.zip")});
        };
    }

    static void clickLabel(TURLLabel *label) { QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center()); }

    RecordingDesktop desktop;
    RecordingInteraction interaction;
    RecordingResults results;
    int mainWindowCloses = 0;
    QStringList events;
    QStringList archivesWhenOpened;
};

using HyperlinkLabel = SendTest;
using ChannelWindows = SendTest;
using FloppyProcedure = SendTest;

} // namespace

TEST_F(HyperlinkLabel, ClickRunsOnClickThenOpensSchemeAndCaption)
{
    struct Case
    {
        TLabelType type;
        QString caption;
        QStringList expected;
    };
    const QString longCaption = QString(100, QLatin1Char('x'));
    const std::vector<Case> cases = {
        {TLabelType::hmHTTP,
         QStringLiteral("www.orvane.example/a.html"),
         {QStringLiteral("click"), QStringLiteral("open http:\\\\www.orvane.example/a.html")}},
        {TLabelType::hmFTP,
         QStringLiteral("ftp.orvane.example"),
         {QStringLiteral("click"), QStringLiteral("open ftp:\\\\ftp.orvane.example")}},
        {TLabelType::hmMAIL,
         QStringLiteral("someone@orvane.example"),
         {QStringLiteral("click"), QStringLiteral("open mailto:someone@orvane.example")}},
        {TLabelType::hmCUSTOM, QStringLiteral("anything"), {QStringLiteral("click")}},
        // 79 characters remain of the 80-character buffer: 7 of the prefix, 72 of the caption.
        {TLabelType::hmHTTP,
         longCaption,
         {QStringLiteral("click"), QStringLiteral("open http:\\\\") + QString(72, 'x')}},
    };
    for (const Case &c : cases) {
        events.clear();
        TURLLabel label(c.caption);
        label.setLabelType(c.type);
        label.setOnClick([this] { events.append(QStringLiteral("click")); });
        label.setOpener(recordingOpener());
        label.show();
        clickLabel(&label);
        EXPECT_EQ(events, c.expected) << c.caption.toStdString();
    }
}

TEST_F(HyperlinkLabel, FailingOnClickOpensNothingAndReachesTheExceptionHandler)
{
    TURLLabel label(QStringLiteral("www.orvane.example"));
    label.setOnClick([] { throw ZipError(QStringLiteral("Cannot create file X")); });
    label.setOpener(recordingOpener());
    QStringList shown;
    label.setExceptionHandler([&shown](const std::exception &failure) { shown.append(exceptionText(failure)); });
    label.show();
    clickLabel(&label);
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(shown, QStringList{QStringLiteral("Cannot create file X")});

    // Pressed on the label but released outside: no click.
    label.setOnClick([this] { events.append(QStringLiteral("click")); });
    QTest::mousePress(&label, Qt::LeftButton, {}, label.rect().center());
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(HyperlinkLabel, DesktopGetsRealAddresses)
{
    EXPECT_EQ(UrlTarget::desktopUrl(kUploadTarget).toString(),
              QStringLiteral("http://www.orvane.example/year2000/upload1.html"));
    EXPECT_EQ(UrlTarget::desktopUrl(QStringLiteral("ftp:\\\\ftp.orvane.example/in")).toString(),
              QStringLiteral("ftp://ftp.orvane.example/in"));
    EXPECT_EQ(UrlTarget::desktopUrl(kMailTarget).toString(), kMailTarget);
}

TEST_F(HyperlinkLabel, AppearanceFollowsPressHoverAndSettings)
{
    TURLLabel label(QStringLiteral("www.orvane.example"));
    label.move(10, 20);
    label.show();
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(label.fontColour(), QColor(Qt::blue));
    EXPECT_TRUE(label.font().underline());

    // Press turns it red; release, blue again. Only AllowDown moves it, and only while held.
    QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(label.fontColour(), QColor(Qt::red));
    EXPECT_EQ(label.pos(), QPoint(10, 20));
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_EQ(label.fontColour(), QColor(Qt::blue));
    label.setAllowDown(true);
    QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(label.pos(), QPoint(10, 21));
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_EQ(label.pos(), QPoint(10, 20));
    // The right button changes nothing.
    QTest::mousePress(&label, Qt::RightButton, {}, QPoint(1, 1));
    EXPECT_EQ(label.fontColour(), QColor(Qt::blue));
    EXPECT_EQ(label.pos(), QPoint(10, 20));
    QTest::mouseRelease(&label, Qt::RightButton, {}, QPoint(1, 1));

    // Hover only matters with Effect98: underline and URLColPre while the mouse is over the label.
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&label, &enter);
    EXPECT_EQ(label.fontColour(), QColor(Qt::blue));
    label.setEffect98(true);
    EXPECT_FALSE(label.font().underline());
    QCoreApplication::sendEvent(&label, &enter);
    EXPECT_EQ(label.fontColour(), QColor(Qt::red));
    EXPECT_TRUE(label.font().underline());
    QCoreApplication::sendEvent(&label, &leave);
    EXPECT_EQ(label.fontColour(), QColor(Qt::blue));
    EXPECT_FALSE(label.font().underline());
    label.setEffect98(false);
    EXPECT_TRUE(label.font().underline());

    label.setLabelType(TLabelType::hmCUSTOM);
    EXPECT_FALSE(label.font().underline());
    label.setURLColStd(Qt::darkGreen);
    EXPECT_EQ(label.fontColour(), QColor(Qt::darkGreen));
}

TEST_F(ChannelWindows, ReturnChangesNothingOnDisk)
{
    writeFile(floppyHost() + QStringLiteral("/OLD.TXT"), "keep me");
    const QMap<QString, QByteArray> before = diskSnapshot();
    TfrmFTP ftp(context());
    TfrmEmail email(context());
    TfrmDisk disk(context());
    // Every channel window opens on "Return", the disk window too, whose action erases the medium:
    // Enter or Space pressed at once, as a window is dismissed, returns.
    const std::pair<QDialog *, Qt::Key> ways[] = {
        {&ftp, Qt::Key_Return}, {&email, Qt::Key_Space}, {&disk, Qt::Key_Enter}};
    for (const auto &[window, key] : ways) {
        window->show();
        QApplication::setActiveWindow(window);
        auto *ret = window->findChild<QPushButton *>(QStringLiteral("Button2"));
        ASSERT_TRUE(ret);
        EXPECT_EQ(ret->text(), QStringLiteral("Return"));
        ASSERT_EQ(QApplication::focusWidget(), ret) << window->objectName().toStdString();
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(window->result(), QDialog::Rejected);
    }
    EXPECT_EQ(diskSnapshot(), before);
    EXPECT_TRUE(interaction.messages.empty());
    EXPECT_EQ(mainWindowCloses, 0);
}

TEST_F(ChannelWindows, TheHelpQuotesEachWindowAsItReads)
{
    // The help breaks its lines where the window wraps its text.
    const QString help = helpText().replace(QLatin1Char('\n'), QLatin1Char(' '));
    TfrmFTP ftp(context());
    TfrmEmail email(context());
    TfrmDisk disk(context());
    for (const QDialog *window : std::initializer_list<const QDialog *>{&ftp, &email, &disk}) {
        const QString text = window->findChild<QLabel *>(QStringLiteral("Label1"))->text();
        EXPECT_TRUE(help.contains(QStringLiteral("window says: \"") + text)) << text.toStdString();
    }
}

TEST_F(ChannelWindows, UploadShowsTheArchiveClosesThenOpensThePage)
{
    // A data file whose name cannot be stored stays behind: the user is told before the window goes.
    writeFile(outputHost() + QStringLiteral("/BAD?.DAT"), "kept");
    std::size_t messagesAtClose = 0;
    TfrmFTP ftp(SendContext{interaction, results, [&] {
                                messagesAtClose = interaction.messages.size();
                                events.append(QStringLiteral("close"));
                            }});
    EXPECT_EQ(ftp.findChild<QLabel *>(QStringLiteral("Label2"))->text(),
              QStringLiteral("Warning: The FTP Upload feature is currently not available on Internet Explorer 4.x"));
    EXPECT_TRUE(ftp.findChild<QLabel *>(QStringLiteral("lblHostFolder"))->text().contains(outputHost()));
    ftp.show();
    QApplication::setActiveWindow(&ftp);
    // Reached with Tab and followed with Enter.
    QStringList stops;
    for (int i = 0; i < 4 && QApplication::focusWidget() != ftp.urlLabel(); ++i) {
        QTest::keyClick(&ftp, Qt::Key_Tab);
        stops << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QStringLiteral("-"));
    }
    ASSERT_EQ(QApplication::focusWidget(), ftp.urlLabel()) << stops.join(QLatin1Char(' ')).toStdString();
    QTest::keyClick(ftp.urlLabel(), Qt::Key_Return);

    const QStringList archives = names(outputHost(), {QStringLiteral("*.zip")});
    ASSERT_EQ(archives.size(), 1);
    const QString archive = outputHost() + QLatin1Char('/') + archives.first();
    EXPECT_EQ(events, (QStringList{QStringLiteral("show ") + archive, QStringLiteral("close"),
                                   QStringLiteral("open http://www.orvane.example/year2000/upload1.html")}));
    EXPECT_EQ(names(outputHost(), {QStringLiteral("*.DAT")}), QStringList{QStringLiteral("BAD?.DAT")});
    ASSERT_EQ(interaction.messages.size(), 2u);
    EXPECT_EQ(messagesAtClose, 2u);
    EXPECT_EQ(interaction.messages[0].caption, QStringLiteral("Warning"));
    EXPECT_EQ(interaction.messages[0].icon, Icon::Warning);
    EXPECT_TRUE(interaction.messages[0].text.contains(QStringLiteral("BAD?.DAT")))
        << interaction.messages[0].text.toStdString();
    // Then what to upload, with the size and digest the maker can check it by.
    const QByteArray bytes = readFile(archive);
    EXPECT_EQ(interaction.messages[1].text,
              QStringLiteral("Upload this archive on the page that opens now:\n\n%1\nSize: %2 bytes\nSHA-256: %3")
                  .arg(archives.first())
                  .arg(bytes.size())
                  .arg(QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex())));
    EXPECT_EQ(ftp.result(), QDialog::Accepted);
    EXPECT_TRUE(interaction.exceptions.isEmpty());

    // Without a file manager the folder itself opens.
    desktop.fileManager = false;
    events.clear();
    EXPECT_TRUE(SendChannel::revealArchive(archive));
    EXPECT_EQ(events, (QStringList{QStringLiteral("show ") + archive,
                                   QStringLiteral("open ") + QUrl::fromLocalFile(outputHost()).toString()}));
}

TEST_F(ChannelWindows, MailAttachesTheArchiveOrGivesTheAddressAndTheFolder)
{
    for (const bool mailProgram : {true, false}) {
        events.clear();
        writeFile(outputHost() + QStringLiteral("/0A1B2C3D.DAT"), "server data\r\n");
        desktop.mailProgram = mailProgram;
        TfrmEmail email(context());
        email.show();
        email.urlLabel()->setFocus();
        QTest::keyClick(email.urlLabel(), Qt::Key_Space);

        ASSERT_EQ(archivesWhenOpened.size(), 1);
        const QString archive = outputHost() + QLatin1Char('/') + archivesWhenOpened.first();
        QStringList expected{QStringLiteral("close"),
                             QStringLiteral("mail y2kdata@orvane.example | Year 2000 Assessment | ") + archive};
        if (!mailProgram)
            expected << QStringLiteral("open mailto:y2kdata@orvane.example") << QStringLiteral("show ") + archive;
        EXPECT_EQ(events, expected);
        EXPECT_EQ(names(outputHost(), {QStringLiteral("*.DAT")}), QStringList());
        EXPECT_EQ(email.result(), QDialog::Accepted);
        EXPECT_TRUE(interaction.messages.empty());
    }
}

TEST_F(ChannelWindows, NothingToSendIsSaidAndNeitherClosesNorOpens)
{
    QFile::remove(outputHost() + QStringLiteral("/0A1B2C3D.DAT"));
    TfrmFTP ftp(context());
    TfrmEmail email(context());
    for (LinkChannelWindow *window : std::initializer_list<LinkChannelWindow *>{&ftp, &email}) {
        interaction.messages.clear();
        window->show();
        window->urlLabel()->setFocus();
        QTest::keyClick(window->urlLabel(), Qt::Key_Space);
        ASSERT_EQ(interaction.messages.size(), 1u);
        EXPECT_TRUE(interaction.messages[0].text.startsWith(QStringLiteral("There is nothing to send")));
        EXPECT_TRUE(events.isEmpty()) << qPrintable(events.join(QLatin1Char(' ')));
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(names(outputHost(), {QStringLiteral("*.zip")}), QStringList());
    }
}

TEST_F(ChannelWindows, FirstRunWithoutTheOutputFolderHasNothingToSend)
{
    QDir(outputHost()).removeRecursively();
    TfrmFTP ftp(context());
    TfrmEmail email(context());
    for (auto [window, label] : {std::pair<QDialog *, TURLLabel *>{&ftp, ftp.urlLabel()}, {&email, email.urlLabel()}}) {
        interaction.messages.clear();
        window->show();
        label->setOpener(recordingOpener());
        clickLabel(label);
        EXPECT_TRUE(interaction.exceptions.isEmpty());
        ASSERT_EQ(interaction.messages.size(), 1u);
        EXPECT_EQ(interaction.messages[0].text, QStringLiteral("There is nothing to send: C:\\Orvane\\Sorvik holds no "
                                                               "data files.\nScan servers first, then send."));
        EXPECT_TRUE(events.isEmpty());
        EXPECT_TRUE(window->isVisible());
    }
}

TEST_F(ChannelWindows, SendWindowShowsTheChannelsAndReturnComesBack)
{
    TfrmSend send(context());
    EXPECT_EQ(send.windowTitle(), QStringLiteral("Send Year2000 Files to Orvane"));
    const QString text = send.findChild<QPlainTextEdit *>(QStringLiteral("RichEdit1"))->toPlainText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("PLEASE FOLLOW THESE INSTRUCTIONS CAREFULLY.  IMPROPERLY")));
    // The sections in their order, the postal address closing the text.
    qsizetype at = 0;
    for (const QString &part :
         {QStringLiteral("Select one of the following methods to send the data (.ZIP) files to Orvane:"),
          QStringLiteral("\nFTP\n"),
          QStringLiteral("\t(NetScape preferred, FTP upload not supported by Microsoft's Internet Explorer)"),
          QStringLiteral("\nEMAIL\n"), QStringLiteral("\"Year 2000 Assessment\""), QStringLiteral("NOTE:"),
          QStringLiteral("y2kquestions@orvane.example"), QStringLiteral("\nDISK \n")}) {
        const qsizetype found = text.indexOf(part, at);
        EXPECT_GE(found, at) << part.toStdString();
        at = found;
    }
    EXPECT_TRUE(text.endsWith(QStringLiteral("\tLakeview, OR 97630")));

    send.show();
    bool sawFtp = false;
    QTimer::singleShot(0, [&] {
        sawFtp = QApplication::activeModalWidget() == send.ftpWindow();
        QTest::mouseClick(send.ftpWindow()->findChild<QPushButton *>(QStringLiteral("Button2")), Qt::LeftButton);
    });
    QTest::mouseClick(send.findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
    EXPECT_TRUE(sawFtp);
    EXPECT_TRUE(send.isVisible());
    EXPECT_EQ(mainWindowCloses, 0);
}

TEST_F(ChannelWindows, SendWindowClosesAfterAChannelClosedTheMainWindow)
{
    TfrmSend send(context());
    send.show();
    interaction.queueAnswer(Answer::Ok);
    interaction.queueAnswer(Answer::Ok);
    QTimer::singleShot(0, [&] { send.diskWindow()->Button1Click(); });
    send.Button3Click();
    EXPECT_EQ(mainWindowCloses, 1);
    EXPECT_FALSE(send.isVisible());
    EXPECT_EQ(send.result(), QDialog::Accepted);
    EXPECT_EQ(names(floppyHost(), {QStringLiteral("*.zip")}), names(outputHost(), {QStringLiteral("*.zip")}));
}

TEST_F(FloppyProcedure, CancelAtTheWarningLeavesEverythingAlone)
{
    writeFile(floppyHost() + QStringLiteral("/OLD.TXT"), "keep me");
    const QMap<QString, QByteArray> before = diskSnapshot();
    TfrmDisk disk(context());
    disk.show();
    interaction.queueAnswer(Answer::Ok);
    interaction.queueAnswer(Answer::Cancel);
    QTest::mouseClick(disk.findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);

    ASSERT_EQ(interaction.messages.size(), 2u);
    EXPECT_EQ(interaction.messages[0].caption, QStringLiteral("Information"));
    EXPECT_EQ(interaction.messages[0].text, QStringLiteral("Insert diskette in drive A: then press Enter"));
    EXPECT_EQ(interaction.messages[0].icon, Icon::Information);
    EXPECT_EQ(interaction.messages[0].buttons, Buttons::Ok);
    EXPECT_EQ(interaction.messages[1].caption, QStringLiteral("Warning"));
    EXPECT_EQ(interaction.messages[1].text, QStringLiteral("WARNING - All data will be erased from this diskette"));
    EXPECT_EQ(interaction.messages[1].icon, Icon::Warning);
    EXPECT_EQ(interaction.messages[1].buttons, Buttons::OkCancel);
    EXPECT_EQ(diskSnapshot(), before);
    EXPECT_EQ(mainWindowCloses, 0);
    EXPECT_FALSE(disk.isVisible());
    EXPECT_EQ(disk.result(), QDialog::Rejected);
}

TEST_F(FloppyProcedure, ErasesFilesCopiesEveryArchiveAndFailsOnATargetInTheWay)
{
    // Two archives of earlier runs; on the floppy, files to erase and a directory named like one of
    // them, which erasing cannot remove.
    writeFile(outputHost() + QStringLiteral("/Acme0101990900.zip"), earlierArchive("first archive"));
    writeFile(outputHost() + QStringLiteral("/Acme0102990900.zip"), earlierArchive("second archive"));
    writeFile(outputHost() + QStringLiteral("/NOTES.TXT"), "not an archive");
    writeFile(floppyHost() + QStringLiteral("/OLD.TXT"), "old");
    writeFile(floppyHost() + QStringLiteral("/.hidden"), "old");
    writeFile(floppyHost() + QStringLiteral("/SUB/INNER.TXT"), "old");
    QDir().mkpath(floppyHost() + QStringLiteral("/Acme0101990900.zip"));

    TfrmDisk disk(context());
    disk.show();
    interaction.queueAnswer(Answer::Ok);
    interaction.queueAnswer(Answer::Ok);
    QTest::mouseClick(disk.findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);

    const QStringList archives = names(outputHost(), {QStringLiteral("*.zip")});
    ASSERT_EQ(archives.size(), 3);
    // Each archive that arrived has its receipt beside it.
    QStringList expectedFloppy = archives;
    expectedFloppy << QStringLiteral("SUB") << archives[1] + QStringLiteral(".sha256")
                   << archives[2] + QStringLiteral(".sha256");
    expectedFloppy.sort();
    EXPECT_EQ(names(floppyHost()), expectedFloppy);
    EXPECT_EQ(names(floppyHost() + QStringLiteral("/SUB")), QStringList{QStringLiteral("INNER.TXT")});
    EXPECT_TRUE(QFileInfo(floppyHost() + QStringLiteral("/Acme0101990900.zip")).isDir());
    for (const QString &name : archives.mid(1))
        EXPECT_EQ(readFile(floppyHost() + QLatin1Char('/') + name), readFile(outputHost() + QLatin1Char('/') + name));

    ASSERT_EQ(interaction.messages.size(), 4u);
    const RecordingInteraction::Message &failed = interaction.messages[2];
    EXPECT_EQ(failed.caption, kTitle);
    EXPECT_EQ(failed.icon, Icon::None);
    EXPECT_EQ(failed.buttons, Buttons::Ok);
    const QString prefix = QStringLiteral("Failed to copy C:\\Orvane\\Sorvik\\Acme0101990900.zip\n");
    EXPECT_TRUE(failed.text.startsWith(prefix)) << failed.text.toStdString();
    EXPECT_GT(failed.text.size(), prefix.size());
    // An archive that goes is not on the disk: no "Done", the program stays for another disk.
    EXPECT_EQ(interaction.messages[3].caption, QStringLiteral("Warning"));
    EXPECT_TRUE(interaction.messages[3].text.contains(QStringLiteral("\nAcme0101990900.zip: ")));
    EXPECT_EQ(mainWindowCloses, 0);
    EXPECT_EQ(disk.result(), QDialog::Rejected);
}

TEST_F(FloppyProcedure, FileAlreadyOnTheFloppyIsNotOverwritten)
{
    // The file turns up while the disk is being erased (say a second program wrote it): erasing
    // takes only what was on the disk when it began.
    writeFile(floppyHost() + QStringLiteral("/OLD1.TXT"), "old");
    writeFile(floppyHost() + QStringLiteral("/OLD2.TXT"), "old");
    QString archiveName;
    interaction.onProcessEvents = [&] {
        const QStringList archives = names(outputHost(), {QStringLiteral("*.zip")});
        if (archiveName.isEmpty() && !archives.isEmpty() &&
            !QFileInfo::exists(floppyHost() + QStringLiteral("/OLD1.TXT"))) {
            archiveName = archives.first();
            writeFile(floppyHost() + QLatin1Char('/') + archiveName, "someone else's");
        }
    };
    TfrmDisk disk(context());
    interaction.queueAnswer(Answer::Ok);
    interaction.queueAnswer(Answer::Ok);
    disk.Button1Click();

    ASSERT_FALSE(archiveName.isEmpty());
    EXPECT_EQ(readFile(floppyHost() + QLatin1Char('/') + archiveName), QByteArray("someone else's"));
    ASSERT_EQ(interaction.messages.size(), 4u);
    EXPECT_EQ(interaction.messages[2].text, QStringLiteral("Failed to copy C:\\Orvane\\Sorvik\\") + archiveName +
                                                QStringLiteral("\nthe disk holds another file named ") + archiveName +
                                                QStringLiteral("; it was left as it is"));
    // The disk got no archive of its own: no "Done", and the program stays for another disk.
    EXPECT_TRUE(interaction.messages[3].text.startsWith(QStringLiteral("The disk in drive A: does not hold every")));
    EXPECT_EQ(mainWindowCloses, 0);
}

TEST_F(FloppyProcedure, NothingToSendErasesNothingAndKeepsTheProgram)
{
    QDir(outputHost()).removeRecursively();
    writeFile(floppyHost() + QStringLiteral("/OLD.TXT"), "old");
    TfrmDisk disk(context());
    interaction.queueAnswer(Answer::Ok);
    interaction.queueAnswer(Answer::Ok);
    disk.Button1Click();

    EXPECT_TRUE(interaction.exceptions.isEmpty());
    ASSERT_EQ(interaction.messages.size(), 2u);
    EXPECT_TRUE(interaction.messages[1].text.startsWith(QStringLiteral("There is nothing to send")));
    EXPECT_EQ(names(floppyHost()), QStringList{QStringLiteral("OLD.TXT")});
    EXPECT_EQ(mainWindowCloses, 0);
    EXPECT_EQ(disk.result(), QDialog::Rejected);
}

TEST_F(FloppyProcedure, PicksAMountedRemovableDiskAndVerifiesEveryCopy)
{
    qunsetenv("SORVIK_DRIVE_A");
    const QString stick = TestEnvironment::root() + QStringLiteral("/media/STICK");
    writeFile(stick + QStringLiteral("/OLD.TXT"), "old");
    TfrmDisk disk(context());
    disk.show();
    // None mounted: the window says so and Create Disk does nothing.
    EXPECT_EQ(disk.mediaList()->count(), 0);
    QTest::mouseClick(disk.findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
    EXPECT_TRUE(interaction.messages.empty());
    EXPECT_TRUE(disk.isVisible());

    desktop.addMedium(stick, QStringLiteral("STICK"));
    disk.refreshMedia();
    ASSERT_EQ(disk.mediaList()->count(), 1);
    EXPECT_TRUE(disk.mediaList()->item(0)->text().startsWith(QStringLiteral("STICK - ") + stick));
    interaction.queueAnswer(Answer::Ok);
    interaction.queueAnswer(Answer::Ok);
    QTest::mouseClick(disk.findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);

    const QStringList archives = names(outputHost(), {QStringLiteral("*.zip")});
    ASSERT_EQ(archives.size(), 1);
    EXPECT_EQ(names(stick), (QStringList{archives.first(), archives.first() + QStringLiteral(".sha256")}));
    EXPECT_EQ(readFile(stick + QLatin1Char('/') + archives.first()),
              readFile(outputHost() + QLatin1Char('/') + archives.first()));
    ASSERT_EQ(interaction.messages.size(), 3u);
    EXPECT_EQ(interaction.messages[2].text, kDone);
    EXPECT_EQ(mainWindowCloses, 1);
}

TEST_F(FloppyProcedure, CopyThatDoesNotReadBackTheSameIsAFailedCopy)
{
    writeFile(outputHost() + QStringLiteral("/Acme0101990900.zip"), earlierArchive("earlier archive"));
    // First the new archive is damaged on the disk, the earlier one arrives; then every copy is damaged.
    for (const bool all : {false, true}) {
        interaction.messages.clear();
        mainWindowCloses = 0;
        QDir(floppyHost()).removeRecursively();
        QDir().mkpath(floppyHost());
        for (const QString &name : names(outputHost(), {QStringLiteral("AcmeToolsInc*.zip")}))
            QFile::remove(outputHost() + QLatin1Char('/') + name);
        writeFile(outputHost() + QStringLiteral("/0A1B2C3D.DAT"), "server data\r\n");
        desktop.damagedOnMedium = [all](const QString &name) {
            return !name.endsWith(QStringLiteral(".sha256")) &&
                   (all || readFile(floppyHost() + QLatin1Char('/') + name) != earlierArchive("earlier archive"));
        };
        TfrmDisk disk(context());
        interaction.queueAnswer(Answer::Ok);
        interaction.queueAnswer(Answer::Ok);
        disk.Button1Click();

        const QStringList archives = names(outputHost(), {QStringLiteral("*.zip")});
        ASSERT_EQ(archives.size(), 2);
        const QString fresh =
            archives.first() == QStringLiteral("Acme0101990900.zip") ? archives.last() : archives.first();
        ASSERT_EQ(interaction.messages.size(), all ? 5u : 4u);
        const QString mismatch = QStringLiteral("\nThe copy on the disk does not match the archive");
        const RecordingInteraction::Message &last = interaction.messages.back();
        const QStringList arrived{QStringLiteral("Acme0101990900.zip"), QStringLiteral("Acme0101990900.zip.sha256")};
        EXPECT_EQ(names(floppyHost()), all ? QStringList() : arrived);
        EXPECT_EQ(interaction.messages[2].text,
                  QStringLiteral("Failed to copy C:\\Orvane\\Sorvik\\") + fresh + mismatch);
        // This session's archive is not on the disk: never "Done", whatever else arrived.
        EXPECT_EQ(last.caption, QStringLiteral("Warning"));
        EXPECT_TRUE(last.text.contains(QLatin1Char('\n') + fresh + QStringLiteral(": ")));
        EXPECT_EQ(mainWindowCloses, 0);
        EXPECT_EQ(disk.result(), QDialog::Rejected);
    }
}

TEST_F(FloppyProcedure, MissingDriveIsWarnedAndNothingIsErasedArchivedOrDeleted)
{
    writeFile(outputHost() + QStringLiteral("/Acme0101990900.zip"), earlierArchive("earlier archive"));
    // Missing, and not apart from the output directory: erasing it would delete the data files or the
    // session's lock.
    for (const QString &drive :
         {TestEnvironment::root() + QStringLiteral("/no-disk"), outputHost(), QFileInfo(outputHost()).absolutePath()}) {
        qputenv("SORVIK_DRIVE_A", QFile::encodeName(drive));
        interaction.messages.clear();
        const QMap<QString, QByteArray> before = diskSnapshot();
        TfrmDisk disk(context());
        disk.show();
        interaction.queueAnswer(Answer::Ok);
        interaction.queueAnswer(Answer::Ok);
        QTest::mouseClick(disk.findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);

        ASSERT_EQ(interaction.messages.size(), 2u) << qPrintable(drive);
        EXPECT_EQ(interaction.messages[1].caption, QStringLiteral("Warning"));
        EXPECT_EQ(interaction.messages[1].icon, Icon::Warning);
        EXPECT_TRUE(
            interaction.messages[1].text.endsWith(QStringLiteral("Nothing has been erased, archived or deleted.")));
        EXPECT_EQ(diskSnapshot(), before) << qPrintable(drive);
        EXPECT_EQ(mainWindowCloses, 0);
        EXPECT_EQ(disk.result(), QDialog::Rejected);
    }
}

TEST_F(FloppyProcedure, ALongMountPointIsShortenedInTheMiddleAndTheSizesStay)
{
    qunsetenv("SORVIK_DRIVE_A");
    const QString deep = TestEnvironment::root() + QStringLiteral("/media/") + QString(60, QLatin1Char('d')) +
                         QStringLiteral("/") + QString(60, QLatin1Char('e')) + QStringLiteral("/SORVIKDISK");
    desktop.addMedium(deep, QStringLiteral("SORVIKDISK"));
    TfrmDisk disk(context());
    disk.show();
    ASSERT_EQ(disk.mediaList()->count(), 1);
    // 1474560 bytes in all, 1400000 free, as the locale writes them.
    const QString tail = QStringLiteral(" (1.41 MiB, 1.34 MiB free)");
    EXPECT_EQ(disk.mediaList()->item(0)->text(), QStringLiteral("SORVIKDISK - ") + deep + tail);
    const QString shown = disk.shownText(0);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("SORVIKDISK - ") + TestEnvironment::root().left(4)))
        << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("DISK") + tail)) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_LE(disk.mediaList()->fontMetrics().horizontalAdvance(shown),
              disk.mediaList()->visualRect(disk.mediaList()->model()->index(0, 0)).width());
}
