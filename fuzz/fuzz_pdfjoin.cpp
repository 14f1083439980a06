// Joining and fixing PDF parts (karvell join reads files a user names): any bytes are refused
// or joined without a fault, and a file the joiner accepts is one it accepts again.
#include <QHash>

#include "fuzz_common.h"
#include "output/pdfjoin.h"
#include "output/pdftext.h"

using namespace karvell;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::Start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray joined = JoinQtPdfs({bytes, bytes});
    if (!joined.isEmpty() && JoinQtPdfs({joined, bytes}).isEmpty())
        fuzz::Finding("a joined file cannot be joined again");
    PdfTextFixer::TagSubsetFonts(bytes);
    PdfTextFixer::RewriteToUnicode(bytes, QHash<char16_t, char16_t>{{u'\u2F00', u'一'}});
    return 0;
}
