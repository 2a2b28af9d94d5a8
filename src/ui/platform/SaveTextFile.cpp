#include "ui/platform/SaveTextFile.h"

#include "core/io/AtomicFileWriter.h"
#include "core/text/TextFile.h"
#include "core/text/TextEncoding.h"
#include "ui/platform/FileErrorText.h"
#include "ui/platform/Messages.h"

namespace norvelle {

Saved saveTextFile(Platform& platform, QWidget* parent, const std::string& path,
                   std::string_view text, const QString& failureHeadline, std::uint64_t maxBytes,
                   TextEncoding encoding) {
    const TextFileBytes encoded = encodeTextFile(text, maxBytes, encoding);
    if (encoded.error) {
        reportFailure(platform, parent, failureHeadline,
                      describeFileError(encoded.error, maxBytes));
        return Saved::No;
    }
    const bool replacing = !encoded.unencodable.empty();
    if (replacing &&
        !askReplaceUnencodable(platform, parent, QString::fromStdString(path), encoded.unencodable))
        return Saved::No;

    const WriteResult written = writeFileAtomic(path, encoded.bytes);
    if (!written.ok) {
        reportFailure(platform, parent, failureHeadline,
                      describeError(written.error) + describeKeptText(written.keptIn));
        return Saved::No;
    }
    return replacing ? Saved::WithReplacements : Saved::Yes;
}

}  // namespace norvelle
