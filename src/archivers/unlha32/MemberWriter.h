// Writing one member at a time into the new archive: folder entries, files stored as they are,
// files compressed by a worker, and members copied unchanged from the old archive.
#pragma once

#include "ArchiveWriter.h"
#include "Compressor.h"
#include "FileCollector.h"
#include "lzh_header.h"
#include "lzh_reader.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace unlha {

class Call;

// A file or folder to go into the archive under the name `member` (UTF-8, '/' separated).
struct NewFile {
    const qb::arc::SourceEntry* entry;
    // Where the stored name begins in the entry's member name (-x0 stores only the base name):
    // a copy of every name would cost the memory of large trees.
    std::uint32_t nameStart = 0;
    // How the name is stored and declared: 65001 UTF-8 as it is; 932 CP932, converted from UTF-8
    // (or, for a name that is not UTF-8, the bytes as found, which read as CP932); 437 the bytes
    // as found (not UTF-8, not CP932).
    std::uint32_t codePage = 65001;

    std::string_view MemberView() const
    {
        return std::string_view(entry->member).substr(nameStart);
    }
    std::string Member() const { return std::string(MemberView()); }
};

// The header fields of a new member, from the file's name and status.
lzh::NewMember Describe(const NewFile& file);

class MemberWriter {
public:
    // tick(member) reports progress between pieces of work; false means cancel.
    MemberWriter(ArchiveWriter& out, Call& call, std::function<bool(const std::string&)> tick)
        : m_out(out), m_call(call), m_tick(std::move(tick))
    { }

    // Each returns 0 or the result that ends the call.
    int Folder(const NewFile& file);
    // Copies the file as -lh0-, patching the header once size and CRC are known. With expect
    // (a member whose compression did not pay) the data must still be what the worker read.
    int Stored(const NewFile& file, const PackedMember* expect);
    // Member `index` of the compressor, whose pieces are all done.
    int Compressed(const NewFile& file, const PackedMember& packed, lzh::EncodeMethod method,
                   Compressor& compressor, std::size_t index);

    // Bytes read for stored members that no worker counted, for the progress figures.
    std::uint64_t StoredBytes() const { return m_storedBytes; }
    // The copy buffer, lent to whoever copies on the calling thread.
    std::vector<std::uint8_t>& Buffer() { return m_buffer; }

private:
    int NameTooLong(const NewFile& file);

    ArchiveWriter& m_out;
    Call& m_call;
    std::function<bool(const std::string&)> m_tick;
    std::uint64_t m_storedBytes = 0;
    std::vector<std::uint8_t> m_buffer;
};

}  // namespace unlha
