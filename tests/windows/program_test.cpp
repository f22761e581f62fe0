// The Windows program as it runs, under Wine on a real display: the window's pixels where its
// controls stand, a whole check on the built-in scene, and alarms from the program's own resource
// through PlaySoundA. The wrapper (on_display_recorded.sh) records the sound server meanwhile and
// checks the bursts; this side says when it rang.
#include "app/form/program.h"
#include "app/form/form1.h"
#include "app/form/language.h"
#include "controls/colors.h"
#include "tests/windows/on_windows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include <windows.h>

namespace skymra::test {
namespace {

// Near a control's top left: away from the markers that picture boxes hold at their centre.
QRgb cornerOf(const QImage& shot, const QWidget& window, const QWidget& w) {
    return shot.pixel(w.mapTo(&window, QPoint(4, 4)));
}

// The first four bytes the clipboard holds in the registered format `name`; -1 without it.
long long clipboardWord(const wchar_t* name) {
    if (!OpenClipboard(nullptr)) return -2;
    long long word = -1;
    HANDLE data = GetClipboardData(RegisterClipboardFormatW(name));
    if (const auto* bytes = data ? static_cast<const DWORD*>(GlobalLock(data)) : nullptr) {
        word = GlobalSize(data) >= sizeof(DWORD) ? *bytes : -3;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return word;
}

// The picture a snapshot or a check leaves on the clipboard, kept out of Win+V's history, the
// cloud clipboard and clipboard monitors.
void expectAPictureNoHistoryKeeps(const char* after) {
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB)) << after;
    EXPECT_EQ(clipboardWord(L"CanIncludeInClipboardHistory"), 0) << after;
    EXPECT_EQ(clipboardWord(L"CanUploadToCloudClipboard"), 0) << after;
    EXPECT_GE(clipboardWord(L"ExcludeClipboardContentFromMonitorProcessing"), 0) << after;
}

TEST(ProgramOnWindowsTest, ShowsItsWindowChecksTheSceneAndRingsTheAlarm) {
    QStringList errors;
    Program program(
        {.player = nullptr, .reportError = [&](const QString& e) { errors << e; }, .inform = {}});
    Form1& form = program.window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    // What Qt draws itself reads Swedish, from the catalogue beside the program.
    QLineEdit field;
    const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QStringList texts;
    for (const QAction* action : menu->actions()) texts << action->text();
    EXPECT_TRUE(texts.join('|').contains("&Kopiera")) << qPrintable(texts.join(", "));
    std::printf("font: %s, style: %s\n", qPrintable(QFontInfo(form.Label2->font()).family()),
                qPrintable(QApplication::style()->name()));
    pump(1500);  // the scene's first pictures

    // Waiting: teal around the controls, navy picture boxes, the scene in the preview.
    QImage shot = screenOf(form);
    shot.save(qEnvironmentVariable("SKYMRA_SCREENSHOT", "skymra-waiting.png"));
    const QRgb teal = qRgb(0, 0x80, 0x80), navy = qRgb(0, 0, 0x80);
    EXPECT_EQ(shot.pixel(340, 250), teal);
    EXPECT_EQ(shot.pixel(form.width() - 3, form.height() - 3), teal);
    EXPECT_EQ(cornerOf(shot, form, *form.Picture1), navy);
    EXPECT_EQ(cornerOf(shot, form, *form.ezVidCap), navy);
    const QRgb preview = centreOf(shot, form, program.capture());
    EXPECT_NE(preview, navy);
    EXPECT_NE(preview, teal);
    EXPECT_FALSE(form.Picture2->isVisible());

    // A reference, a second snapshot once the scene has moved on, and the check.
    QTest::mouseClick(form.Command3, Qt::LeftButton);
    expectAPictureNoHistoryKeeps("the reference snapshot");
    pump(1500);
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    pump(300);
    // The slider's far left: the lowest limit, so that the scene's movement rings the alarm.
    form.Slider1->setValue(form.Slider1->minimum());
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    std::printf("alarm at check: %s changes\n", qPrintable(form.Label2->text()));
    pump(500);
    shot = screenOf(form);
    shot.save(qEnvironmentVariable("SKYMRA_SCREENSHOT_RESULT", "skymra-result.png"));
    ASSERT_TRUE(form.Picture2->isVisible());
    expectAPictureNoHistoryKeeps("the check");
    EXPECT_GT(form.Label2->text().toInt(), 5 * form.Slider1->value());
    EXPECT_EQ(centreOf(shot, form, *form.Shape1), qRgb(255, 0, 0));
    EXPECT_NE(cornerOf(shot, form, *form.Picture1), navy);

    ringTwiceMore(form);
    EXPECT_TRUE(errors.isEmpty()) << qPrintable(errors.join('\n'));
}

}  // namespace
}  // namespace skymra::test

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    skymra::installFontSubstitutes();
    skymra::installSwedishTranslations(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
