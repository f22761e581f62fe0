// A whole session, twenty times over: snapshots, checks with and without alarm, markers, slider,
// back. Leaks show under LeakSanitizer in CI; here the resident memory must stay flat.
#include "tests/support/window_fixture.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

namespace skymra::test {
namespace {

// Resident memory in bytes where the platform tells it (Linux's /proc), else 0.
qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4096 : 0;
}

using SessionTest = WindowFixture;

TEST_F(SessionTest, TwentyRoundsOfTheWorkflowKeepTheWindowConsistentAndMemoryFlat) {
    form->show();
    qint64 warm = 0;
    for (int round = 0; round < 20; ++round) {
        show(solid(Qt::black));
        click(form->Command3);
        show(solid(round % 2 ? Qt::red : Qt::black));
        click(form->Command4);
        click(form->Command1);  // alarm on odd rounds
        QTest::mouseClick(form->Picture2, Qt::LeftButton, {}, QPoint(40 + round, 60));
        QTest::mouseClick(form->Slider1, Qt::LeftButton, {},
                          QPoint(8, form->Slider1->height() / 2));
        click(form->Command2);
        ASSERT_FALSE(form->Picture2->isVisible());
        ASSERT_EQ(form->Slider1->value(), 50);
        if (round == 4) warm = residentBytes();
    }
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_GE(player.plays, 10);
    if (warm > 0) {
        const qint64 growth = residentBytes() - warm;
        RecordProperty("resident_growth_bytes", static_cast<int>(growth));
#if !defined(__SANITIZE_ADDRESS__)  // ASan's quarantine holds freed memory on purpose
        EXPECT_LT(growth, 4 * 1024 * 1024);
#endif
    }
}

}  // namespace
}  // namespace skymra::test
