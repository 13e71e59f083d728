#pragma once
// The zip container of a .docx package: read its entries, and write a new
// package that keeps every untouched entry as its original compressed bytes.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

typedef struct zip zip_t;

namespace tarnfold::word::docx {

class ZipReader {
public:
    // Opens the package read-only; a missing file, a folder or a file that is
    // not a zip archive gives an Error naming the file.
    explicit ZipReader(const std::string& pathUtf8);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;
    ZipReader(ZipReader&&) = default;
    ZipReader& operator=(ZipReader&&) = default;

    std::uint64_t Count() const;
    std::string Name(std::uint64_t index) const;
    // Entry names in a package are compared without regard to letter case.
    std::optional<std::uint64_t> Find(std::string_view name) const;
    // The entry's contents, uncompressed. An entry larger than 256 MiB, or
    // whose size in the directory its contents or its compressed size belie,
    // is an Error saying that the file is damaged.
    std::string Read(std::uint64_t index) const;
    // Saving copies the stored bytes of every entry the filling leaves alone,
    // under its name; an entry whose header is broken, whose bytes run past
    // the end of the file or whose name another entry has could not be
    // copied. Reads them all once, so that such a package is refused before
    // it is filled rather than when the filled document is saved: an Error
    // saying that the file is damaged.
    void CheckCopyable() const;
    const std::string& Path() const { return path_; }
    zip_t* Handle() const { return zip_.get(); }

private:
    // An entry stored or deflated, inflated here rather than through libzip
    // (libdeflate is twice as fast and checks the CRC in a fraction of the
    // time); empty when its stored bytes or their inflation do not match the
    // sizes the directory claims.
    std::string ReadDirectly(std::uint64_t index, std::uint64_t compressedSize, std::size_t claimed,
                             bool deflated) const;

    struct Closer {
        void operator()(zip_t* z) const;
    };
    std::string path_;
    std::unique_ptr<zip_t, Closer> zip_;
};

// Writes every entry of `source`, in its order, to `targetUtf8`: the entries
// named in `replaced` (by index) with their new contents, deflated; all others
// as their original compressed bytes. The package is written to a temporary
// file in the target's folder and renamed over the target only when complete,
// so a failure leaves whatever was there before.
void WritePackage(const ZipReader& source, const std::string& targetUtf8,
                  const std::map<std::uint64_t, std::string>& replaced);

// The reason for a failed write as the user reads it, from the system's error
// number (no space left, no permission, read-only disk, and so on).
std::string WriteFailureReason(int systemError);

}  // namespace tarnfold::word::docx
