#include "bundles/ziplibrary.h"

#include <QLibrary>
#include <optional>
#include <type_traits>

namespace {

struct Loaded
{
    std::optional<ZipLibrary> functions;
    QString why;
};

Loaded load()
{
    // Never unloaded: a QLibrary going out of scope leaves the library loaded.
    QLibrary library(QStringLiteral("zip"), 4);
    if (!library.load())
        return {std::nullopt, library.errorString()};
    ZipLibrary zip{};
    QStringList missing;
    const auto resolve = [&](auto &function, const char *name) {
        using Function = std::remove_reference_t<decltype(function)>;
        function = reinterpret_cast<Function>(library.resolve(name));
        if (!function)
            missing.append(QString::fromLatin1(name));
    };
    resolve(zip.open, "zip_open");
    resolve(zip.discard, "zip_discard");
    resolve(zip.entryCount, "zip_get_num_entries");
    resolve(zip.statIndex, "zip_stat_index");
    resolve(zip.openIndex, "zip_fopen_index");
    resolve(zip.read, "zip_fread");
    resolve(zip.close, "zip_fclose");
    resolve(zip.archiveError, "zip_strerror");
    resolve(zip.fileError, "zip_file_strerror");
    resolve(zip.errorInit, "zip_error_init_with_code");
    resolve(zip.errorText, "zip_error_strerror");
    resolve(zip.errorFini, "zip_error_fini");
    if (!missing.isEmpty())
        return {std::nullopt, QStringLiteral("%1 lacks %2")
                                  .arg(library.fileName(), missing.join(QLatin1String(", ")))};
    return {zip, {}};
}

} // namespace

const ZipLibrary *zipLibrary(QString *why)
{
    static const Loaded loaded = load();
    if (why)
        *why = loaded.why;
    return loaded.functions ? &*loaded.functions : nullptr;
}
