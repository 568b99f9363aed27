// The main window's header strip and its buttons: where each button and its parts sit,
// the highlight under the mouse, clicks on either part, and captions that follow a
// language switch with the strip laid out again.
#include "JXUtils/JXLocalize.h"
#include "JXWidget/JXLabel.h"
#include "JXWidget/JXPixmapButton.h"
#include "app/MediaButton.h"
#include "app/WindowHeaderWidget.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QKeySequence>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const char *const kCaptions[] = {"Network", "Search", "Settings", "Printer Settings", "Scan Code"};
const char *const kToolTips[] = {"Select Network", "Search Devices", "Settings", "Printer Settings",
                                 "Scan Code"};

void installLanguage(const char *name)
{
    JXLocalize::setLanguageDir(QDir(testSourceDir()).filePath(QStringLiteral("language")));
    JXLocalize::install(QString::fromLatin1(name));
}

class Header : public ::testing::Test
{
protected:
    void SetUp() override
    {
        installLanguage("en");
        header.setGeometry(2, 2, 1276, 26);
        header.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&header));
    }
    void TearDown() override { installLanguage("en"); }

    MediaButton *button(int i) const
    {
        return header.button(static_cast<WindowHeaderWidget::Button>(i));
    }
    // The strip's colour at a point of a button, as painted.
    QColor colourAt(MediaButton *b, int x, int y)
    {
        return header.grab().toImage().pixelColor(b->mapTo(&header, QPoint(x, y)));
    }
    void expectPackedLeftToRight()
    {
        int x = 3;
        for (int i = 0; i < WindowHeaderWidget::ButtonCount; ++i) {
            MediaButton *b = button(i);
            SCOPED_TRACE(b->text().toStdString());
            EXPECT_EQ(b->geometry(), QRect(x, 0, b->sizeHint().width(), 24));
            x = b->geometry().right() + 3;
        }
    }

    WindowHeaderWidget header;
};

TEST_F(Header, ButtonsInOrderAtTheirOwnWidths)
{
    for (int i = 0; i < WindowHeaderWidget::ButtonCount; ++i) {
        EXPECT_EQ(button(i)->text(), QString::fromLatin1(kCaptions[i]));
        EXPECT_EQ(button(i)->toolTip(), QString::fromLatin1(kToolTips[i]));
    }
    expectPackedLeftToRight();
    EXPECT_GE(header.minimumHeight(), 20);
    EXPECT_EQ(colourAt(button(0), -1, 12), QColor(255, 255, 255));
}

TEST_F(Header, ButtonPartsAndSizeHint)
{
    MediaButton *b = button(WindowHeaderWidget::PrinterSettings);
    auto *icon = b->findChild<JXPixmapButton *>();
    auto *caption = b->findChild<JXLabel *>();
    ASSERT_TRUE(icon && caption);
    EXPECT_EQ(icon->geometry(), QRect(2, 2, 20, 20));
    EXPECT_EQ(caption->geometry(), QRect(24, 2, b->width() - 28, 20));
    EXPECT_EQ(b->sizeHint(), QSize(caption->sizeHint().width() + 28, 24));
    EXPECT_EQ(b->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(Header, HighlightFollowsTheMouse)
{
    MediaButton *b = button(WindowHeaderWidget::Search);
    // Right of the caption only the button's own fill shows.
    const QPoint fill(b->width() - 2, 12);
    EXPECT_EQ(colourAt(b, fill.x(), fill.y()), QColor(255, 255, 255));
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(b, &enter);
    EXPECT_EQ(colourAt(b, fill.x(), fill.y()), QColor(202, 211, 138));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(b, &leave);
    // Transparent after the mouse leaves: the strip's white shows through.
    EXPECT_EQ(colourAt(b, fill.x(), fill.y()), QColor(255, 255, 255));
}

TEST_F(Header, IconCaptionAndKeysPress)
{
    MediaButton *b = button(WindowHeaderWidget::ScanCode);
    QSignalSpy clicked(b, &MediaButton::clicked);
    QTest::mouseClick(b->findChild<JXPixmapButton *>(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicked.count(), 1);
    QTest::mouseClick(b->findChild<JXLabel *>(), Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_EQ(clicked.count(), 2);
    QSignalSpy other(button(WindowHeaderWidget::Network), &MediaButton::clicked);
    EXPECT_EQ(other.count(), 0);
    // Tab stops here but a click does not take the focus from the field being typed in.
    EXPECT_EQ(b->focusPolicy(), Qt::TabFocus);

    const struct
    {
        int key;
        Qt::KeyboardModifiers modifiers;
        bool repeat;
        int presses;
    } keys[] = {
        {Qt::Key_Space, Qt::NoModifier, false, 1},
        {Qt::Key_Return, Qt::NoModifier, false, 1},
        {Qt::Key_Enter, Qt::KeypadModifier, false, 1},
        {Qt::Key_Return, Qt::ShiftModifier, false, 0},
        {Qt::Key_Space, Qt::ControlModifier, false, 0},
        {Qt::Key_Space, Qt::NoModifier, true, 0},
        {Qt::Key_A, Qt::NoModifier, false, 0},
    };
    for (const auto &k : keys) {
        SCOPED_TRACE(QKeySequence(k.key | int(k.modifiers)).toString().toStdString() +
                     (k.repeat ? " repeated" : ""));
        clicked.clear();
        QKeyEvent press(QEvent::KeyPress, k.key, k.modifiers, QString(), k.repeat);
        QApplication::sendEvent(b, &press);
        EXPECT_EQ(clicked.count(), k.presses);
    }
}

TEST_F(Header, LanguageSwitchRelabelsAndPacksAgain)
{
    const int englishWidth = button(WindowHeaderWidget::PrinterSettings)->width();
    JXLocalize::changeLanguage(QStringLiteral("cn"));
    for (int i = 0; i < WindowHeaderWidget::ButtonCount; ++i) {
        SCOPED_TRACE(kCaptions[i]);
        EXPECT_EQ(button(i)->text(), translate(QString::fromLatin1(kCaptions[i])));
        EXPECT_NE(button(i)->text(), QString::fromLatin1(kCaptions[i]));
        EXPECT_EQ(button(i)->toolTip(), translate(QString::fromLatin1(kToolTips[i])));
    }
    EXPECT_NE(button(WindowHeaderWidget::PrinterSettings)->width(), englishWidth);
    expectPackedLeftToRight();
    JXLocalize::changeLanguage(QStringLiteral("en"));
    EXPECT_EQ(button(WindowHeaderWidget::PrinterSettings)->width(), englishWidth);
}

} // namespace
