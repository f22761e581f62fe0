#include "app/form/form1.h"
#include "app/form/language.h"

#include <QApplication>
#include <QStyleFactory>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // One style everywhere, so slider geometry is the same on every machine.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    skymra::installFontSubstitutes();
    skymra::installSwedishTranslations(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
