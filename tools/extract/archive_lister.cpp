#include "tools/extract/archive_lister.h"

#include "tools/extract/format_readers.h"

namespace qm::extract {

ListStatus ListArchive(ByteSource& source, const std::string& archiveName, ArchiveListing& listing, std::string& error) {
    // Formats with a signature at the start come first; ISO 9660 and tar then, and zip last, as
    // its end record may sit at the end of anything (self-extractors, images holding a zip).
    using Reader = ReadResult (*)(ReadContext&);
    static constexpr Reader kReaders[] = {ReadRar4, ReadRar5, ReadSevenZip, ReadCab,  ReadGzip,
                                          ReadBzip2, ReadIso9660, ReadTar, ReadZip};
    for (Reader reader : kReaders) {
        listing = ArchiveListing();
        ReadContext context{source, archiveName, listing, {}};
        const ReadResult result = reader(context);
        if (result == ReadResult::Listed) return ListStatus::Listed;
        if (result == ReadResult::Failed) {
            error = context.error;
            return ListStatus::Unreadable;
        }
    }
    listing = ArchiveListing();
    error = "not an archive this lister reads";
    return ListStatus::NotAnArchive;
}

}  // namespace qm::extract
