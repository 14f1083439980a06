// Test entry for widget tests: a real QApplication on the offscreen platform.
#include <QApplication>
#include <gtest/gtest.h>

#include "platform/logfont.h"
#include "platform/session.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Print jobs of the built-in "PDF" printer land in the build tree.
    if (qEnvironmentVariableIsEmpty("KARVELL_PDF_DIR"))
        qputenv("KARVELL_PDF_DIR", KARVELL_BINARY_DIR "/test-pdf");
    karvell::PrepareSessionEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    karvell::InstallFontSubstitutions();
    return RUN_ALL_TESTS();
}
