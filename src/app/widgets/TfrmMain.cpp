#include "app/widgets/TfrmMain.h"
#include "session/Product.h"

#include "app/LastScan.h"
#include "app/ScanDriver.h"
#include "app/widgets/ResultsBox.h"
#include "app/widgets/TfrmProgress.h"
#include "app/widgets/ToolbarButton.h"
#include "client/widgets/TfrmLogin.h"
#include "platform/Drives.h"
#include "platform/ResultsSink.h"
#include "platform/Windows1252.h"
#include "profile/widgets/TfrmProfile.h"
#include "report/TfrmReport.h"
#include "send/OutputDirectory.h"
#include "send/widgets/TfrmSend.h"
#include "ui/widgets/AccessibleControl.h"
#include "ui/widgets/Artwork.h"
#include "ui/widgets/TfrmHelp.h"
#include "ui/widgets/TfrmSecure.h"
#include "ui/widgets/TfrmSplash.h"
#include "ui/widgets/WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace {

// "Scan Servers": the caption at the top, the picture under it.
class CaptionOverPictureButton final : public QPushButton
{
public:
    CaptionOverPictureButton(const QString &caption, const QString &pictureName) : QPushButton(caption)
    {
        m_pictureName = pictureName;
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        const QString caption = option.text;
        option.text.clear();
        option.icon = QIcon();
        painter.drawControl(QStyle::CE_PushButton, option);

        const int shift = isDown() ? 1 : 0;
        const QRect inner = rect().adjusted(2 + shift, 3 + shift, -2 + shift, -3 + shift);
        const int captionHeight = fontMetrics().height();
        const QRect captionArea(inner.left(), inner.top(), inner.width(), captionHeight);
        painter.drawItemText(captionArea, Qt::AlignCenter, option.palette, isEnabled(), caption, QPalette::ButtonText);
        const int side = std::min(kPicture, inner.height() - captionHeight);
        const QRect pictureArea(inner.left() + (inner.width() - side) / 2, captionArea.bottom() + 1, side, side);
        QPixmap picture = Artwork::pixmap(m_pictureName, pictureArea.size(), this);
        if (!isEnabled())
            picture = style()->generatedIconPixmap(QIcon::Disabled, picture, &option);
        painter.drawPixmap(pictureArea.topLeft(), picture);
    }

private:
    static constexpr int kPicture = 22;
    QString m_pictureName;
};

QFont arial(int pixels, bool bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

TfrmMain::TfrmMain(QxClient &client, Interaction &interaction, TfrmSplash *splash, const HeldResults *tidied,
                   QWidget *parent)
    : QWidget(parent), m_interaction(interaction), m_splash(splash), m_results(new ResultsBox),
      m_comp19(new QListWidget),
      m_comp23(new CaptionOverPictureButton(QStringLiteral("Scan Servers"), QStringLiteral("scan"))),
      m_chkNDir(new QCheckBox(QStringLiteral("Include SYS: File Information"))), m_outputDirectory(new QLineEdit),
      m_panel0(new QLabel), m_panel1(new QLabel)
{
    setObjectName(QStringLiteral("frmMain"));
    AccessibleControl::installWindow("TfrmMain");
    setFont(arial(16));
    resize(kOuterWidth, kOuterHeight);

    auto *panes = new QHBoxLayout;
    panes->setContentsMargins(0, 0, 0, 0);
    panes->addWidget(buildServerPane());
    panes->addWidget(buildResultsPane(), 1);

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addWidget(buildToolbar());
    root->addLayout(panes, 1);
    root->addWidget(buildStatusBar());

    wireHandlers();
    m_comp23->setFocus();

    m_session = std::make_unique<Session>(client, interaction, *m_results);
    m_progress = new TfrmProgress(*m_session, this);
    m_profile = new TfrmProfile(interaction, this);
    m_profile->setWindowFlag(Qt::Window);
    m_login = new TfrmLogin(*m_session, this);
    m_login->setWindowFlag(Qt::Window);
    m_send = std::make_unique<TfrmSend>(SendContext{interaction, *m_results, [this] { close(); }});
    m_help = new TfrmHelp(this);
    m_about = new TfrmSecure(this);
    FormCreate(tidied);
}

QWidget *TfrmMain::buildServerPane()
{
    // The selection strip over the server list.
    m_button1 = new QPushButton(QStringLiteral("Select All"));
    m_button1->setObjectName(QStringLiteral("Button1"));
    m_button2 = new QPushButton(QStringLiteral("Select None"));
    m_button2->setObjectName(QStringLiteral("Button2"));
    for (QPushButton *b : {m_button1, m_button2})
        b->setFixedSize(97, 25);
    auto *strip = new QHBoxLayout;
    strip->setContentsMargins(4, 4, 4, 4);
    strip->addWidget(m_button1);
    strip->addWidget(m_button2);
    strip->addStretch();

    m_comp19->setObjectName(QStringLiteral("comp19"));
    m_comp19->setAccessibleName(QStringLiteral("Quarlix Server List"));
    m_comp19->setIconSize(QSize(16, 16));
    for (const qreal ratio : {1.0, 2.0})
        m_serverPicture.addPixmap(Artwork::pixmap(QStringLiteral("server"), QSize(16, 16), ratio));
    m_comp19->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_comp19->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_comp19->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_refresh = new QAction(QStringLiteral("Refresh"), m_comp19);
    m_refresh->setObjectName(QStringLiteral("RefreshServerList1"));
    m_comp19->addAction(m_refresh);
    m_selectNotScanned = new QAction(QStringLiteral("Select servers &not scanned"), m_comp19);
    m_selectNotScanned->setObjectName(QStringLiteral("SelectNotScanned1"));
    m_selectNotScanned->setEnabled(false);
    m_comp19->addAction(m_selectNotScanned);

    auto *left = new QVBoxLayout;
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    left->addLayout(strip);
    left->addWidget(m_comp19);
    auto *pane = new QWidget;
    pane->setFixedWidth(256);
    pane->setLayout(left);
    return pane;
}

QWidget *TfrmMain::buildResultsPane()
{
    // The scan controls, the output directory and the results box, each field under its label.
    m_comp23->setObjectName(QStringLiteral("comp23"));
    m_comp23->setFixedSize(113, 47);
    m_chkNDir->setObjectName(QStringLiteral("chkNDir"));
    m_chkNDir->setChecked(true);
    m_outputDirectory->setObjectName(QStringLiteral("edtOutputDir"));
    m_outputDirectory->setReadOnly(true);
    m_outputDirectory->setText(Product::outputDirectory());
    m_outputDirectory->setToolTip(Drives::hostPath(Product::outputDirectory()));
    auto *outputLabel = new QLabel(QStringLiteral("Output Directory"));
    outputLabel->setBuddy(m_outputDirectory);
    m_outputDirectory->setAccessibleName(outputLabel->text());
    auto *resultsLabel = new QLabel(QStringLiteral("Year 2000 Report Results"));
    resultsLabel->setBuddy(m_results);
    m_results->setAccessibleName(resultsLabel->text());

    m_upperRight = new QWidget;
    m_upperRight->setObjectName(QStringLiteral("Panel5"));
    m_upperRight->setFixedHeight(152);
    auto *upper = new QVBoxLayout(m_upperRight);
    auto *scanRow = new QHBoxLayout;
    scanRow->addWidget(m_comp23);
    scanRow->addWidget(m_chkNDir);
    scanRow->addStretch();
    upper->addLayout(scanRow);
    upper->addWidget(outputLabel);
    upper->addWidget(m_outputDirectory);
    upper->addWidget(resultsLabel);
    // Margins kept small, so that the scan row fits the window's width with the check box's caption whole.
    upper->setContentsMargins(6, 6, 6, 2);
    auto *right = new QVBoxLayout;
    right->setContentsMargins(4, 4, 4, 4);
    right->addWidget(m_upperRight);
    right->addWidget(m_results, 1);
    auto *pane = new QFrame;
    pane->setObjectName(QStringLiteral("pnlY2K"));
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pane->setLayout(right);
    return pane;
}

QStatusBar *TfrmMain::buildStatusBar()
{
    // The server count (150 pixels) and the selected count.
    m_statusBar = new QStatusBar;
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar->setSizeGripEnabled(false);
    m_statusBar->setFixedHeight(26);
    for (QLabel *panel : {m_panel0, m_panel1}) {
        panel->setFont(arial(16, true));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    m_panel0->setFixedWidth(150);
    m_statusBar->addWidget(m_panel0);
    m_statusBar->addWidget(m_panel1, 1);
    return m_statusBar;
}

void TfrmMain::wireHandlers()
{
    connect(m_button1, &QPushButton::clicked, this, &TfrmMain::Button1Click);
    connect(m_button2, &QPushButton::clicked, this, &TfrmMain::Button2Click);
    connect(m_refresh, &QAction::triggered, this, &TfrmMain::RefreshServerList1Click);
    connect(m_selectNotScanned, &QAction::triggered, this, &TfrmMain::SelectNotScanned1Click);
    connect(m_comp19, &QListWidget::itemSelectionChanged, this, &TfrmMain::syncSelectionFromList);
    connect(m_comp19, &QListWidget::itemClicked, this, &TfrmMain::comp19Click);
    connect(m_comp23, &QPushButton::clicked, this, &TfrmMain::comp23Click);
    // F1 opens the help; Enter in the server list scans the selected servers.
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &TfrmMain::comp10Click);
    m_comp19->installEventFilter(this);

    // Moving the mouse over the window, the server list, the upper right part, the toolbar strip or
    // the status bar flattens a raised toolbar button; a double-click on the status bar shows About.
    for (QWidget *w : std::initializer_list<QWidget *>{this, m_comp19->viewport(), m_upperRight, m_toolbarStrip,
                                                       m_statusBar, m_panel0, m_panel1}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
}

TfrmMain::~TfrmMain()
{
    if (!m_closed)
        FormClose();
}

QString TfrmMain::statusPanel(int index) const
{
    return index == 0 ? m_panel0->text() : m_panel1->text();
}

void TfrmMain::FormCreate(const HeldResults *tidied)
{
    setWindowTitle(Product::applicationTitle() + QStringLiteral(" v") + Product::versionText());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_session->setUp();
    if (tidied)
        tidied->passOn(*m_results);
}

void TfrmMain::start()
{
    show();
    fitOuterSize();
    // The frame is known once the window manager has framed the window; until then the window is
    // sized as if it had the frame of another window, or none.
    WindowPlacement::whenFramed(this, [this] {
        resize(QSize(kOuterWidth, kOuterHeight).shrunkBy(WindowPlacement::expectedFrame(this)));
        WindowPlacement::centreOnScreen(this);
    });
    // The first showing handles pending events while it fills the list, so the request is queued
    // only once it has returned.
    if (m_session->terminateRequested())
        QMetaObject::invokeMethod(this, &TfrmMain::endProgram, Qt::QueuedConnection);
}

void TfrmMain::fitOuterSize()
{
    resize(QSize(kOuterWidth, kOuterHeight).shrunkBy(WindowPlacement::expectedFrame(this)));
    WindowPlacement::centre(this);
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TfrmMain::FormShow()
{
    m_session->checkClientVersions();
    if (m_splash) {
        m_splash->setStatus(QStringLiteral("Loading Server List......"));
        m_interaction.processEvents();
    }
    fillServerList();
    updateSelectedCount();
    if (m_splash) {
        m_splash->setStatus(QStringLiteral("Done"));
        m_interaction.processEvents();
        m_splash->hide();
        // Gone at once, so that no part of it stays behind for assistive technology.
        delete m_splash;
        m_splash = nullptr;
    }
    m_session->readCallsLibraryVersion();
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    // Closing asks no question. During a scan the window stays: the scan is asked to stop, as Abort
    // does, says so in its closing box, and the program ends after it (see comp23Click).
    if (m_scanning) {
        m_exitAfterScan = true;
        m_progress->bbtAbortClick();
        event->ignore();
        return;
    }
    if (!m_closed)
        FormClose();
    event->accept();
    QWidget::closeEvent(event);
    QCoreApplication::quit();
}

void TfrmMain::FormClose()
{
    m_closed = true;
    // The login window's own connection goes before the session's.
    m_login->close();
    m_session->release();
}

void TfrmMain::showServerList()
{
    const QSignalBlocker blocker(m_comp19);
    m_comp19->hide();
    m_comp19->clear();
    for (const Session::ServerEntry &entry : m_session->servers()) {
        auto *item = new QListWidgetItem(Windows1252::toUnicode(entry.name), m_comp19);
        item->setIcon(m_serverPicture);
    }
    m_comp19->show();
    m_panel0->setText(m_session->serverCountText());
}

void TfrmMain::syncSelectionFromList()
{
    for (int row = 0; row < m_comp19->count(); ++row)
        m_session->setSelected(std::size_t(row), m_comp19->item(row)->isSelected());
    updateSelectedCount();
    // The current server follows every change of the selection, by keyboard and "Select All" as by a
    // click, so that Login As works on what is highlighted.
    m_session->takeCurrentServerFromSelection();
}

void TfrmMain::updateSelectedCount()
{
    m_panel1->setText(m_session->selectedCountText());
}

void TfrmMain::comp19Click()
{
    syncSelectionFromList();
}

void TfrmMain::Button1Click()
{
    m_comp19->selectAll();
    syncSelectionFromList();
}

void TfrmMain::Button2Click()
{
    m_comp19->clearSelection();
    syncSelectionFromList();
}

void TfrmMain::RefreshServerList1Click()
{
    BusyCursor busy(m_interaction);
    fillServerList();
    updateSelectedCount();
}

std::vector<std::size_t> TfrmMain::rowsNotScanned() const
{
    // Read when asked: a scan by the command line since the window's own counts as well.
    const std::optional<std::vector<LastScan::Server>> last = LastScan::read(OutputDirectory::hostPath());
    return last ? LastScan::rowsToRescan(*last, m_session->servers()) : std::vector<std::size_t>();
}

void TfrmMain::SelectNotScanned1Click()
{
    const std::vector<std::size_t> rows = rowsNotScanned();
    m_comp19->clearSelection();
    for (const std::size_t row : rows)
        m_comp19->item(int(row))->setSelected(true);
    // The keyboard goes on from the first of them.
    if (!rows.empty())
        m_comp19->selectionModel()->setCurrentIndex(m_comp19->model()->index(int(rows.front()), 0),
                                                    QItemSelectionModel::NoUpdate);
    syncSelectionFromList();
}

void TfrmMain::openServerMenuByKeyboard()
{
    const QRect current = m_comp19->visualItemRect(m_comp19->currentItem());
    const QPoint at = m_comp19->viewport()->mapTo(m_comp19, current.isValid() ? current.center() : QPoint(0, 0));
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, m_comp19->mapToGlobal(at));
    QCoreApplication::sendEvent(m_comp19, &menu);
}

void TfrmMain::fillServerList()
{
    // The list is hidden while it is rebuilt, so no click can reach it, and no scan can start.
    m_comp19->hide();
    setScanControlsEnabled(false);
    m_session->FillServerList();
    showServerList();
    setScanControlsEnabled(true);
}

void TfrmMain::setScanControlsEnabled(bool enabled)
{
    // The selection the scan works on cannot change while it runs.
    for (QWidget *control : std::initializer_list<QWidget *>{m_comp23, m_comp19, m_button1, m_button2})
        control->setEnabled(enabled);
    // Sending during a scan would pack and delete the data file being written: Send waits for the end.
    m_toolbar[4]->setEnabled(enabled);
    // Disabling the button moved the focus on to the option box, where one Space would untick it.
    if (enabled)
        m_comp23->setFocus();
}

void TfrmMain::comp23Click()
{
    if (m_scanning)
        return;
    m_scanning = true;
    m_session->includeSysFiles = m_chkNDir->isChecked();
    ScanDriver driver(*m_session, *m_progress);
    driver.setControlsEnabled = [this](bool enabled) { setScanControlsEnabled(enabled); };
    // The option box stays usable during a scan; the writer reads it when it gets there.
    const auto option =
        connect(m_chkNDir, &QCheckBox::toggled, this, [this](bool checked) { m_session->includeSysFiles = checked; });
    driver.run();
    disconnect(option);
    m_scanning = false;
    // A request to end the program made during the scan takes effect now.
    if (m_exitAfterScan || m_session->terminateRequested())
        endProgram();
}

QWidget *TfrmMain::buildToolbar()
{
    auto *strip = new QFrame;
    strip->setObjectName(QStringLiteral("pnlY2Kbar"));
    strip->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    strip->setFixedHeight(73);
    m_toolbarStrip = strip;

    struct Tool
    {
        const char *name;
        const char *caption;
        const char *picture;
        void (TfrmMain::*handler)();
    };
    const Tool tools[] = {
        {"comp1", "Login As", "login", &TfrmMain::comp1Click},
        {"comp4", "View Data", "viewdata", &TfrmMain::comp4Click},
        {"comp7", "Profile", "profile", &TfrmMain::comp7Click},
        {"comp10", "Help", "help", &TfrmMain::comp10Click},
        {"comp13", "Send", "send", &TfrmMain::comp13Click},
        {"comp16", "Exit", "exit", &TfrmMain::comp16Click},
    };
    const int lefts[] = {2, 80, 158, 237, 315, 393};
    for (std::size_t i = 0; i < m_toolbar.size(); ++i) {
        auto *button = new ToolbarButton(QLatin1String(tools[i].name), QLatin1String(tools[i].caption),
                                         QLatin1String(tools[i].picture), strip);
        button->move(lefts[i], 4);
        for (QWidget *part : std::initializer_list<QWidget *>{button, button->picture(), button->captionLabel()})
            part->installEventFilter(this);
        connect(button, &ToolbarButton::clicked, this, tools[i].handler);
        m_toolbar[i] = button;
    }
    return strip;
}

ToolbarButton *TfrmMain::buttonOwning(const QObject *object) const
{
    for (ToolbarButton *button : m_toolbar)
        if (button && button->owns(object))
            return button;
    return nullptr;
}

void TfrmMain::ResetToolbarHover(const QObject *sender)
{
    for (ToolbarButton *button : m_toolbar) {
        if (button->bevel() == ToolbarButton::Bevel::Raised && sender != button && sender != button->captionLabel()) {
            button->setBevel(ToolbarButton::Bevel::None);
            return;
        }
    }
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    // The context menu offers "Select servers not scanned" only when there are such servers.
    if ((watched == m_comp19 || watched == m_comp19->viewport()) && event->type() == QEvent::ContextMenu)
        m_selectNotScanned->setEnabled(!rowsNotScanned().empty());
    if (watched == m_comp19 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (m_comp23->isEnabled())
                comp23Click();
            return true;
        }
        // Shift+F10 opens the context menu as the Menu key does.
        if (key == Qt::Key_F10 && static_cast<QKeyEvent *>(event)->modifiers() == Qt::ShiftModifier) {
            openServerMenuByKeyboard();
            return true;
        }
        return QWidget::eventFilter(watched, event);
    }
    ToolbarButton *button = buttonOwning(watched);
    switch (event->type()) {
    case QEvent::MouseMove:
        if (button) {
            // The pictures have no move handler: moving onto one leaves its button as it is.
            if (watched != button->picture()) {
                ResetToolbarHover(watched);
                if (button->bevel() == ToolbarButton::Bevel::None)
                    button->setBevel(ToolbarButton::Bevel::Raised);
            }
            // Handled here: the move must not reach the strip behind the button, which flattens it.
            return true;
        } else {
            ResetToolbarHover(watched);
        }
        break;
    case QEvent::MouseButtonPress:
        if (button)
            button->setBevel(ToolbarButton::Bevel::Lowered);
        break;
    case QEvent::MouseButtonRelease:
        if (button) {
            button->setBevel(ToolbarButton::Bevel::Raised);
            auto *widget = static_cast<QWidget *>(watched);
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint()))
                Q_EMIT button->clicked();
            return true;
        }
        break;
    case QEvent::MouseButtonDblClick:
        if (watched == m_statusBar || watched == m_panel0 || watched == m_panel1) {
            StatusBar1DblClick();
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmMain::comp1Click()
{
    m_login->show();
    WindowPlacement::bringForward(m_login);
}

void TfrmMain::comp4Click()
{
    TfrmReport::ViewDataFile(*m_session);
}

void TfrmMain::comp10Click()
{
    m_help->moveCaretToStart();
    m_help->show();
    m_help->raise();
}

void TfrmMain::comp13Click()
{
    if (m_scanning)
        return;
    m_send->exec();
}

void TfrmMain::StatusBar1DblClick()
{
    m_about->exec();
}

void TfrmMain::comp7Click()
{
    m_profile->show();
    WindowPlacement::bringForward(m_profile);
}

void TfrmMain::comp16Click()
{
    close();
}

void TfrmMain::endProgram()
{
    if (!m_closed)
        FormClose();
    hide();
    QCoreApplication::quit();
}
