#pragma once

#include "send/UrlTarget.h"

#include <QColor>
#include <QLabel>

#include <exception>
#include <functional>

// A text label that acts as a hyperlink: underlined and blue, red while pressed (or hovered with
// Effect98). A click runs OnClick first and then, unless the type is hmCUSTOM, opens the scheme of
// the type followed by the caption. The label takes the keyboard focus; Enter or Space is a click.
class TURLLabel final : public QLabel
{
    Q_OBJECT

public:
    using Opener = std::function<void(const QString &target)>;
    using ExceptionHandler = std::function<void(const std::exception &failure)>;

    explicit TURLLabel(QWidget *parent = nullptr);
    explicit TURLLabel(const QString &caption, QWidget *parent = nullptr);

    TLabelType LabelType() const { return m_labelType; }
    void setLabelType(TLabelType type);
    QColor URLColStd() const { return m_colStd; }
    void setURLColStd(const QColor &colour);
    QColor URLColPre() const { return m_colPre; }
    void setURLColPre(const QColor &colour);
    bool AllowDown() const { return m_allowDown; }
    void setAllowDown(bool allow);
    bool Effect98() const { return m_effect98; }
    void setEffect98(bool on);

    // Runs first on every click; when it throws or calls skipOpen, nothing is opened.
    void setOnClick(std::function<void()> handler) { m_onClick = std::move(handler); }
    // From the click handler: this click opens nothing.
    void skipOpen() { m_skipOpen = true; }
    // Opens a target text; by default the desktop's handler for UrlTarget::desktopUrl(target).
    void setOpener(Opener opener) { m_opener = std::move(opener); }
    // Shows an exception that a click handler let through (the application's standard box).
    void setExceptionHandler(ExceptionHandler handler) { m_exceptionHandler = std::move(handler); }

    // The target text a click opens: empty for hmCUSTOM.
    QString target() const { return UrlTarget::target(m_labelType, text()); }
    // The click: OnClick, then the target. Exceptions from OnClick pass to the caller.
    void Click();

    // The colour the text is drawn in now.
    QColor fontColour() const;
    // A click from the keyboard or assistive technology: an exception from OnClick is shown, not passed on.
    void clickFromEvent();

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void setFontColour(const QColor &colour);
    void setUnderline(bool underline);

    TLabelType m_labelType = TLabelType::hmHTTP;
    QColor m_colStd = Qt::blue;
    QColor m_colPre = Qt::red;
    bool m_allowDown = false;
    bool m_effect98 = false;
    bool m_pressed = false;
    bool m_skipOpen = false;
    std::function<void()> m_onClick;
    Opener m_opener;
    ExceptionHandler m_exceptionHandler;
};
