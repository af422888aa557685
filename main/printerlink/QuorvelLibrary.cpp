#include "main/printerlink/QuorvelLibrary.h"

#include "platform/ProgramDir.h"
#include "platform/RuntimeError.h"

#include <QLibrary>

namespace printerlink {

namespace {

constexpr const char* kLibraryName = "Quorvel";

using FindFn = int (*)();
using PrintFn = int (*)(const char*, int);

// The library stays loaded once a function of it has been bound; a failed
// attempt binds nothing, so the next call tries again (a library copied into
// the program directory later is found then).
QLibrary& library() {
    static QLibrary lib;
    return lib;
}

QFunctionPointer bind(const char* function) {
    QLibrary& lib = library();
    if (!lib.isLoaded()) {
        lib.setFileName(platform::programPath(QString::fromLatin1(kLibraryName)));
        if (!lib.load())
            throw platform::RuntimeError(
                QStringLiteral("File not found: %1").arg(QString::fromLatin1(kLibraryName)));
    }
    QFunctionPointer fn = lib.resolve(function);
    if (!fn)
        throw platform::RuntimeError(
            QStringLiteral("Can't find DLL entry point %1 in %2")
                .arg(QString::fromLatin1(function), QString::fromLatin1(kLibraryName)));
    return fn;
}

} // namespace

int Find_SA4T_Printer() {
    static FindFn fn = nullptr;
    if (!fn)
        fn = reinterpret_cast<FindFn>(bind("Find_SA4T_Printer"));
    return fn();
}

int SA4T_Print(const QByteArray& text, int type) {
    static PrintFn fn = nullptr;
    if (!fn)
        fn = reinterpret_cast<PrintFn>(bind("SA4T_Print"));
    // A NUL-terminated copy owned here for the length of the call.
    const QByteArray copy(text.constData(), text.size());
    return fn(copy.constData(), type);
}

} // namespace printerlink
