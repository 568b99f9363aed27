#include "JXUtils/JXLocalize.h"
#include "JXWidget/JXDialog/JXAlertDialog.h"
#include "JXWidget/JXDialog/JXDialog.h"
#include "JXWidget/JXLabel.h"
#include "WidgetTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Calls act on the modal dialog that the caller's next exec() shows.
void whenModalShown(std::function<void(QWidget &)> act)
{
    QTimer::singleShot(0, qApp, [act] {
        QWidget *dialog = nullptr;
        (void)QTest::qWaitFor(
            [&] { return (dialog = QApplication::activeModalWidget()) != nullptr; }, 5000);
        if (dialog != nullptr)
            act(*dialog);
    });
}

QPushButton *buttonWithText(QWidget &dialog, const QString &text)
{
    for (QPushButton *button : dialog.findChildren<QPushButton *>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

// A language whose "Ok" and "Cancel" have words of their own.
class AlertDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previous = JXLocalize::languageDir();
        QFile file(QDir(dir.path()).filePath("xx.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("\"OK\" = \"Fine\";\n\"Cancel\" = \"Never mind\";\n");
        file.close();
        JXLocalize::setLanguageDir(dir.path());
        JXLocalize::install("xx");
    }
    void TearDown() override
    {
        JXLocalize::setLanguageDir(previous);
        JXLocalize::install("none");
    }
    QTemporaryDir dir;
    QString previous;
};

} // namespace

TEST_F(AlertDialog, InformationWithOneWordIs300By140WithLocalizedButtons)
{
    QSize seen;
    QRect ok;
    QRect cancel;
    QRect message;
    whenModalShown([&](QWidget &dialog) {
        seen = dialog.size();
        ok = buttonWithText(dialog, "Fine")->geometry();
        cancel = buttonWithText(dialog, "Never mind")->geometry();
        message = dialog.findChild<QLabel *>()->geometry();
        QTest::mouseClick(buttonWithText(dialog, "Fine"), Qt::LeftButton);
    });
    EXPECT_EQ(JXAlertDialog::information("Restore"), 1);
    EXPECT_EQ(seen, QSize(300, 140));
    // Each button centred in its half, 60 above the bottom edge, 30 high.
    EXPECT_GE(ok.width(), 100);
    EXPECT_EQ(ok.left(), (150 - ok.width()) / 2);
    EXPECT_EQ(cancel.left(), 150 + (150 - cancel.width()) / 2);
    EXPECT_EQ(ok.top(), 80);
    EXPECT_EQ(cancel.top(), 80);
    EXPECT_EQ(ok.height(), 30);
    EXPECT_EQ(message, QRect(20, 10, 260, 70));
}

TEST_F(AlertDialog, QuestionReturnsZeroWhenRejected)
{
    whenModalShown([](QWidget &dialog) {
        EXPECT_NE(buttonWithText(dialog, "Keep"), nullptr);
        QTest::mouseClick(buttonWithText(dialog, "Drop"), Qt::LeftButton);
    });
    EXPECT_EQ(JXAlertDialog::question("Restore Device", "Keep", "Drop"), 0);

    whenModalShown([](QWidget &dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
    EXPECT_EQ(JXAlertDialog::question("Restore Device", "Keep", "Drop"), 0);
}

TEST_F(AlertDialog, GrowsWithItsMessage)
{
    const QString wide = QString("Restore Device ").repeated(8).trimmed();
    const QString tall = "one\ntwo\nthree\nfour\nfive";
    for (const QString &text : {wide, tall}) {
        QWidget parent; // a top-level label would be kept to two thirds of the screen
        QLabel reference(&parent);
        reference.setText(text);
        reference.adjustSize();
        const QSize m = reference.size();
        JXAlertDialog dialog;
        dialog.setContent(text, "Ok", "Cancel");
        EXPECT_EQ(dialog.width(), m.width() < 200 ? 300 : m.width() + 100);
        EXPECT_EQ(dialog.height(), m.height() < 40 ? 140 : m.height() + 100);
    }
    JXAlertDialog dialog;
    dialog.setContent(wide, "Ok", "Cancel");
    EXPECT_GT(dialog.width(), 300);
    dialog.setContent(tall, "Ok", "Cancel");
    EXPECT_GT(dialog.height(), 140);
    EXPECT_EQ(dialog.minimumSize(), QSize(300, 90));
}

// Texts longer than the 100-pixel minimum: each button shows its whole text, lies inside
// its own half and does not overlap the other.
TEST_F(AlertDialog, ButtonsFitLongTexts)
{
    const QString longTexts[][2] = {{"Restore factory settings", "Cancel"},
                                    {"Ok", "Keep the current firmware and settings"}};
    for (const auto &texts : longTexts) {
        QWidget *shown = nullptr;
        QRect ok;
        QRect cancel;
        QSize okHint;
        QSize cancelHint;
        QSize size;
        whenModalShown([&](QWidget &dialog) {
            shown = &dialog;
            QPushButton *okButton = buttonWithText(dialog, texts[0]);
            QPushButton *cancelButton = buttonWithText(dialog, texts[1]);
            ok = okButton->geometry();
            cancel = cancelButton->geometry();
            okHint = okButton->sizeHint();
            cancelHint = cancelButton->sizeHint();
            size = dialog.size();
            QTest::mouseClick(okButton, Qt::LeftButton);
        });
        EXPECT_EQ(JXAlertDialog::question("Restore Device", texts[0], texts[1]), 1);
        ASSERT_NE(shown, nullptr);
        EXPECT_GE(ok.width(), okHint.width()) << texts[0].toStdString();
        EXPECT_GE(cancel.width(), cancelHint.width()) << texts[1].toStdString();
        EXPECT_GE(ok.left(), 0);
        EXPECT_LE(ok.right(), size.width() / 2);
        EXPECT_GE(cancel.left(), size.width() / 2);
        EXPECT_LE(cancel.right(), size.width());
    }
}

TEST(JXDialog, HasNoHelpButtonAndPaintsItsBackground)
{
    JXDialog dialog;
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowContextHelpButtonHint);
    dialog.resize(100, 80);
    dialog.backgroundColor = QColor(0, 0, 255);
    dialog.radius = 10;
    QImage image = grabImage(dialog);
    const QColor window = dialog.palette().window().color();
    EXPECT_TRUE(closeTo(image.pixelColor(50, 40), QColor(0, 0, 255)));
    EXPECT_TRUE(closeTo(image.pixelColor(0, 0), window)) << "rounded corner";
    EXPECT_TRUE(closeTo(image.pixelColor(50, 0), QColor(0, 0, 255))) << "no border by default";

    dialog.borderWidth = 1;
    dialog.borderColor = QColor(255, 0, 0);
    image = grabImage(dialog);
    EXPECT_GT(image.pixelColor(50, 0).red(), 100);
    EXPECT_TRUE(closeTo(image.pixelColor(50, 40), QColor(0, 0, 255)));
}

TEST(JXDialog, ToastSitsByTheMarginsAndGoesAfterTwoSeconds)
{
    JXDialog dialog;
    dialog.resize(400, 300);
    dialog.showToast("Please input valid gateway", Qt::AlignRight | Qt::AlignBottom, 20, 20);
    QPointer<JXLabel> toast = dialog.findChild<JXLabel *>();
    ASSERT_FALSE(toast.isNull());
    EXPECT_EQ(toast->text(), "Please input valid gateway");
    EXPECT_EQ(400 - (toast->x() + toast->width()), 20);
    EXPECT_EQ(300 - (toast->y() + toast->height()), 20);

    dialog.showToast("Please input valid netmask", Qt::AlignHCenter | Qt::AlignBottom, 5, 5);
    EXPECT_TRUE(toast.isNull()) << "replaced at once";
    EXPECT_EQ(dialog.findChildren<JXLabel *>().size(), 1);
    toast = dialog.findChild<JXLabel *>();
    EXPECT_TRUE(QTest::qWaitFor([&] { return toast.isNull(); }, 10000));
}
