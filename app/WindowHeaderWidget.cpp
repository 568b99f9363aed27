#include "app/WindowHeaderWidget.h"

#include "app/MediaButton.h"

#include <QLabel>

#include <algorithm>

namespace {
struct ButtonText
{
    const char *icon;
    const char *toolTip;
    const char *caption;
};

// In WindowHeaderWidget::Button order.
const ButtonText kButtons[] = {
    {":/resources/network.png", "Select Network", "Network"},
    {":/resources/search.png", "Search Devices", "Search"},
    {":/resources/settings.png", "Settings", "Settings"},
    {":/resources/printer.png", "Printer Settings", "Printer Settings"},
    {":/resources/print.png", "Scan Code", "Scan Code"},
};

const int kButtonHeight = 24;
const int kGap = 3;
const QColor kNoticeColor(200, 0, 0);
} // namespace

WindowHeaderWidget::WindowHeaderWidget(QWidget *parent) : JXWidget(parent), notice(new QLabel(this))
{
    QPalette palette = notice->palette();
    palette.setColor(QPalette::WindowText, kNoticeColor);
    notice->setPalette(palette);
    notice->hide();
    setMinimumHeight(20);
    setBackgroundColor(QColor(255, 255, 255, 255));
    for (int i = 0; i < ButtonCount; ++i) {
        buttons[i] = new MediaButton(this);
        buttons[i]->setIcon(QString::fromLatin1(kButtons[i].icon));
    }
    languageChanged();
}

void WindowHeaderWidget::languageChanged()
{
    for (int i = 0; i < ButtonCount; ++i) {
        buttons[i]->setToolTip(translate(QString::fromLatin1(kButtons[i].toolTip)));
        buttons[i]->setText(translate(QString::fromLatin1(kButtons[i].caption)));
    }
    notice->setText(noticeText.isEmpty() ? QString() : translate(noticeText));
    layoutButtons();
}

void WindowHeaderWidget::setNotice(const QString &text)
{
    noticeText = text;
    notice->setVisible(!text.isEmpty());
    languageChanged();
}

void WindowHeaderWidget::resizeEvent(QResizeEvent *event)
{
    JXWidget::resizeEvent(event);
    layoutButtons();
}

void WindowHeaderWidget::layoutButtons()
{
    int x = kGap;
    for (MediaButton *button : buttons) {
        button->adjustSize();
        button->setGeometry(x, 0, button->width(), kButtonHeight);
        // The next one starts kGap pixels right of this one's last column.
        x = button->geometry().right() + kGap;
    }
    notice->setGeometry(x + kGap, 0, std::max(0, width() - x - 2 * kGap), kButtonHeight);
}
