#include "word/docx/zip_archive.h"

#include "core/error.h"
#include "core/files.h"
#include "core/system_error.h"
#include "core/paths.h"
#include "word/docx/zip_file_source.h"

#include <libdeflate.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace tarnfold::word::docx {

namespace {

// libdeflate's level 1 deflates a 6 MB document part in half the time zlib
// takes at level 3 (and faster than zlib's level 1) for a few per cent more
// bytes; the parts rewritten are saved once per document, so speed wins.
constexpr int kDeflateLevel = 1;

// No part of a form template comes near this; a package that claims more is
// taken for a damaged one rather than given the memory.
constexpr zip_uint64_t kLargestEntry = zip_uint64_t{256} << 20;
constexpr std::size_t kReadChunk = std::size_t{64} << 10;

// Deflate cannot expand its input much more than a thousand times; an entry's
// headers and tiny entries get some room beyond that.
bool PlausibleExpansion(zip_uint64_t size, zip_uint64_t compressedSize) {
    constexpr zip_uint64_t kExpansion = 1100;
    constexpr zip_uint64_t kSlack = 64 << 10;
    return size <= kSlack || (size - kSlack) / kExpansion <= compressedSize;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

class ZipError {
public:
    ZipError() { zip_error_init(&error_); }
    ~ZipError() { zip_error_fini(&error_); }
    ZipError(const ZipError&) = delete;
    ZipError& operator=(const ZipError&) = delete;
    zip_error_t* Get() { return &error_; }
    int Code() { return zip_error_code_zip(&error_); }
    int System() { return zip_error_code_system(&error_); }

private:
    zip_error_t error_;
};

std::string SaveError(const std::string& target, const std::string& reason) {
    return "Не удалось сохранить документ " + Quoted(target) + ": " + reason;
}

std::string ReadFailureReason(int systemError) {
    switch (systemError) {
        case EACCES:
        case EPERM:
            return "нет прав на чтение";
        case EIO:
            return "ошибка ввода-вывода";
        default:
            return SystemErrorText(systemError);
    }
}

// The system error behind a libzip failure, when libzip kept one.
int SystemErrorOf(zip_error_t* error) {
    return zip_error_system_type(error) == ZIP_ET_SYS ? zip_error_code_system(error) : 0;
}

struct DecompressorFree {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

struct CompressorFree {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// A part already deflated, handed to libzip with its sizes, CRC and method so
// that libzip stores the bytes as they are instead of compressing again.
class DeflatedSource {
public:
    DeflatedSource(const std::string& contents, libdeflate_compressor* compressor)
        : size_(contents.size()), crc_(libdeflate_crc32(0, contents.data(), contents.size())) {
        // Uninitialised room for the worst case: zero-filling megabytes that
        // the compressor overwrites costs as much as a tenth of the deflate.
        const std::size_t bound = libdeflate_deflate_compress_bound(compressor, contents.size());
        compressed_ = std::make_unique_for_overwrite<char[]>(bound);
        compressedSize_ =
            libdeflate_deflate_compress(compressor, contents.data(), contents.size(), compressed_.get(), bound);
        zip_error_init(&error_);
    }
    ~DeflatedSource() { zip_error_fini(&error_); }
    DeflatedSource(const DeflatedSource&) = delete;
    DeflatedSource& operator=(const DeflatedSource&) = delete;

    // The source stays owned here; libzip's free only drops its reference.
    zip_source_t* Make(zip_t* archive) { return zip_source_function(archive, &DeflatedSource::Callback, this); }

private:
    static zip_int64_t Callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
        auto& self = *static_cast<DeflatedSource*>(state);
        switch (command) {
            case ZIP_SOURCE_OPEN:
                self.offset_ = 0;
                return 0;
            case ZIP_SOURCE_READ: {
                const std::size_t n = std::min<std::size_t>(length, self.compressedSize_ - self.offset_);
                std::memcpy(data, self.compressed_.get() + self.offset_, n);
                self.offset_ += n;
                return static_cast<zip_int64_t>(n);
            }
            case ZIP_SOURCE_CLOSE:
            case ZIP_SOURCE_FREE:
                return 0;
            case ZIP_SOURCE_STAT: {
                zip_stat_t* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &self.error_);
                if (st == nullptr) {
                    return -1;
                }
                zip_stat_init(st);
                st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD |
                            ZIP_STAT_ENCRYPTION_METHOD;
                st->size = self.size_;
                st->comp_size = self.compressedSize_;
                st->crc = self.crc_;
                st->comp_method = ZIP_CM_DEFLATE;
                st->encryption_method = ZIP_EM_NONE;
                return sizeof(zip_stat_t);
            }
            case ZIP_SOURCE_ERROR:
                return zip_error_to_data(&self.error_, data, length);
            case ZIP_SOURCE_SUPPORTS:
                return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                                      ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
            default:
                zip_error_set(&self.error_, ZIP_ER_OPNOTSUPP, 0);
                return -1;
        }
    }

    std::unique_ptr<char[]> compressed_;
    std::size_t compressedSize_ = 0;
    std::uint64_t size_;
    std::uint32_t crc_;
    std::size_t offset_ = 0;
    zip_error_t error_;
};

}  // namespace

void ZipReader::Closer::operator()(zip_t* z) const { zip_discard(z); }

ZipReader::ZipReader(const std::string& pathUtf8) : path_(pathUtf8) {
    std::error_code ec;
    const std::filesystem::path path = PathFromUtf8(pathUtf8);
    if (!std::filesystem::exists(path, ec)) {
        throw Error("Не найден файл документа " + Quoted(pathUtf8));
    }
    if (!std::filesystem::is_regular_file(path, ec)) {
        throw Error("Документ " + Quoted(pathUtf8) + " не является файлом");
    }
    ZipError error;
    zip_source_t* source = FileSource(pathUtf8, error.Get());
    if (source != nullptr) {
        zip_.reset(zip_open_from_source(source, ZIP_RDONLY, error.Get()));
        if (!zip_) {
            zip_source_free(source);
        }
    }
    if (zip_) {
        return;
    }
    switch (error.Code()) {
        case ZIP_ER_NOZIP:
            throw Error("Файл " + Quoted(pathUtf8) + " не является документом .docx: это не ZIP-архив");
        case ZIP_ER_INCONS:
        case ZIP_ER_CRC:
            throw Error("Файл " + Quoted(pathUtf8) + " повреждён: ZIP-архив документа нарушен");
        default:
            break;
    }
    const int system = SystemErrorOf(error.Get());
    throw Error("Не удалось открыть документ " + Quoted(pathUtf8) +
                (system != 0 ? ": " + ReadFailureReason(system) : std::string()));
}

ZipReader::~ZipReader() = default;

void ZipReader::CheckCopyable() const {
    std::string buffer(kReadChunk, '\0');
    for (std::uint64_t i = 0; i < Count(); ++i) {
        const char* name = zip_get_name(zip_.get(), i, 0);
        if (name == nullptr || zip_name_locate(zip_.get(), name, 0) != static_cast<zip_int64_t>(i)) {
            throw Error("Файл " + Quoted(path_) + " повреждён: ZIP-архив документа нарушен");
        }
        std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> entry(zip_fopen_index(zip_.get(), i, ZIP_FL_COMPRESSED),
                                                                zip_fclose);
        zip_int64_t n = entry ? 1 : -1;
        while (n > 0) {
            n = zip_fread(entry.get(), buffer.data(), buffer.size());
        }
        if (n < 0) {
            throw Error("Файл " + Quoted(path_) + " повреждён: ZIP-архив документа нарушен");
        }
    }
}

std::uint64_t ZipReader::Count() const {
    const zip_int64_t n = zip_get_num_entries(zip_.get(), 0);
    return n < 0 ? 0 : static_cast<std::uint64_t>(n);
}

std::string ZipReader::Name(std::uint64_t index) const {
    const char* name = zip_get_name(zip_.get(), index, 0);
    return name != nullptr ? name : std::string();
}

std::optional<std::uint64_t> ZipReader::Find(std::string_view name) const {
    const std::string key(name);
    const zip_int64_t index = zip_name_locate(zip_.get(), key.c_str(), ZIP_FL_NOCASE);
    if (index < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(index);
}

std::string ZipReader::Read(std::uint64_t index) const {
    const std::string name = Name(index);
    const auto damaged = [&](const std::string& reason) {
        return Error("Файл " + Quoted(path_) + " повреждён: " + reason);
    };
    const std::string unreadable = "не удаётся прочитать часть " + name;
    zip_stat_t st;
    zip_stat_init(&st);
    constexpr zip_uint64_t kSizes = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE;
    if (zip_stat_index(zip_.get(), index, 0, &st) != 0 || (st.valid & kSizes) != kSizes) {
        throw damaged(unreadable);
    }
    if (st.size > kLargestEntry) {
        throw damaged("часть " + name + " больше " + std::to_string(kLargestEntry >> 20) + " МБ");
    }
    if (!PlausibleExpansion(st.size, st.comp_size)) {
        throw damaged("размер части " + name + " в оглавлении ZIP-архива не сходится с её сжатым размером");
    }
    const auto claimed = static_cast<std::size_t>(st.size);
    constexpr zip_uint64_t kChecked = ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
    // The stored bytes are read whole: only when the directory's compressed
    // size is one a writer gives for the contents (deflate adds a few bytes
    // per block at worst), not what a damaged directory may claim.
    const bool plausiblyStored = st.comp_size <= st.size + st.size / 8 + 1024;
    if ((st.valid & kChecked) == kChecked && st.encryption_method == ZIP_EM_NONE && plausiblyStored &&
        (st.comp_method == ZIP_CM_DEFLATE || st.comp_method == ZIP_CM_STORE)) {
        std::string data = ReadDirectly(index, st.comp_size, claimed, st.comp_method == ZIP_CM_DEFLATE);
        if (data.size() != claimed || libdeflate_crc32(0, data.data(), data.size()) != st.crc) {
            throw damaged(unreadable);
        }
        return data;
    }
    std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen_index(zip_.get(), index, 0), zip_fclose);
    if (!file) {
        throw damaged(unreadable);
    }
    // The directory's size is only a claim: the contents are read in chunks
    // up to one byte past it, so that a longer or shorter entry shows.
    std::string data;
    data.reserve(claimed + 1);
    while (true) {
        const std::size_t done = data.size();
        const std::size_t wanted = std::min(kReadChunk, claimed + 1 - done);
        data.resize(done + wanted);
        const zip_int64_t n = zip_fread(file.get(), data.data() + done, wanted);
        if (n < 0) {
            throw damaged(unreadable);
        }
        data.resize(done + static_cast<std::size_t>(n));
        if (n == 0 || data.size() > claimed) {
            break;
        }
    }
    if (data.size() != claimed) {
        throw damaged(unreadable);
    }
    return data;
}

std::string ZipReader::ReadDirectly(std::uint64_t index, std::uint64_t compressedSize, std::size_t claimed,
                                    bool deflated) const {
    // The stored bytes, one past the directory's compressed size so that a
    // longer entry shows; a short one shows in its inflated size.
    std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen_index(zip_.get(), index, ZIP_FL_COMPRESSED),
                                                           zip_fclose);
    if (!file) {
        return {};
    }
    const auto stored = static_cast<std::size_t>(compressedSize);
    auto bytes = std::make_unique_for_overwrite<char[]>(stored + 1);
    std::size_t read = 0;
    while (read <= stored) {
        const zip_int64_t n = zip_fread(file.get(), bytes.get() + read, stored + 1 - read);
        if (n <= 0) {
            if (n < 0) {
                return {};
            }
            break;
        }
        read += static_cast<std::size_t>(n);
    }
    if (read != stored) {
        return {};
    }
    if (!deflated) {
        return std::string(bytes.get(), stored);
    }
    std::unique_ptr<libdeflate_decompressor, DecompressorFree> decompressor(libdeflate_alloc_decompressor());
    if (!decompressor) {
        throw std::bad_alloc();
    }
    std::string data;
    data.resize(claimed);
    std::size_t inflated = 0;
    if (libdeflate_deflate_decompress(decompressor.get(), bytes.get(), stored, data.data(), claimed, &inflated) !=
            LIBDEFLATE_SUCCESS ||
        inflated != claimed) {
        return {};
    }
    return data;
}

void WritePackage(const ZipReader& source, const std::string& targetUtf8,
                  const std::map<std::uint64_t, std::string>& replaced) {
    std::error_code ec;
    const std::filesystem::path target = PathFromUtf8(targetUtf8);
    const std::filesystem::path folder = target.parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
        throw Error(SaveError(targetUtf8, "папка " + Quoted(PathToUtf8(folder)) + " не существует"));
    }
    if (std::filesystem::is_directory(target, ec)) {
        throw Error(SaveError(targetUtf8, "под этим именем уже есть папка"));
    }

    // Deflated before the archive is built and kept until it is closed or
    // discarded: libzip reads them as it writes.
    std::unique_ptr<libdeflate_compressor, CompressorFree> compressor(libdeflate_alloc_compressor(kDeflateLevel));
    if (!compressor) {
        throw std::bad_alloc();
    }
    std::map<std::uint64_t, std::unique_ptr<DeflatedSource>> deflated;
    for (const auto& [index, contents] : replaced) {
        deflated.emplace(index, std::make_unique<DeflatedSource>(contents, compressor.get()));
    }

    // Written whole beside the target first, then put in its place with its
    // data on the disk, so that a power cut leaves the old file or the new one.
    const std::string partialUtf8 = PartialFilePath(targetUtf8);
    ZipError error;
    zip_source_t* file = FileSource(partialUtf8, error.Get());
    if (file == nullptr) {
        throw Error(SaveError(targetUtf8, WriteFailureReason(SystemErrorOf(error.Get()))));
    }
    std::unique_ptr<zip_t, void (*)(zip_t*)> out(zip_open_from_source(file, ZIP_CREATE | ZIP_TRUNCATE, error.Get()),
                                                 zip_discard);
    if (!out) {
        zip_source_free(file);
        throw Error(SaveError(targetUtf8, WriteFailureReason(SystemErrorOf(error.Get()))));
    }
    const auto failed = [&](zip_t* archive) {
        zip_error_t* error = zip_get_error(archive);
        switch (zip_error_code_zip(error)) {
            case ZIP_ER_READ:
            case ZIP_ER_EOF:
            case ZIP_ER_CRC:
            case ZIP_ER_INCONS:
                // The untouched parts are copied from the opened file as the write goes.
                return Error(SaveError(targetUtf8, "не удаётся прочитать исходный файл " + Quoted(source.Path())));
            default:
                return Error(SaveError(targetUtf8, WriteFailureReason(SystemErrorOf(error))));
        }
    };

    const std::uint64_t count = source.Count();
    for (std::uint64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(source.Handle(), i, 0);
        if (name == nullptr) {
            throw failed(source.Handle());
        }
        const auto change = deflated.find(i);
        zip_source_t* data = change != deflated.end() ? change->second->Make(out.get())
                                                      : zip_source_zip(out.get(), source.Handle(), i, 0, 0, -1);
        if (data == nullptr) {
            throw failed(out.get());
        }
        const zip_int64_t added = zip_file_add(out.get(), name, data, 0);
        if (added < 0) {
            zip_source_free(data);
            throw failed(out.get());
        }
        const auto index = static_cast<zip_uint64_t>(added);
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(source.Handle(), i, 0, &st) == 0 && (st.valid & ZIP_STAT_MTIME) != 0) {
            zip_file_set_mtime(out.get(), index, st.mtime, 0);
        }
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(source.Handle(), i, 0, &system, &attributes) == 0) {
            zip_file_set_external_attributes(out.get(), index, 0, system, attributes);
        }
    }
    if (zip_close(out.get()) != 0) {
        throw failed(out.get());
    }
    out.release();
    try {
        ReplaceDurably(partialUtf8, targetUtf8);
    } catch (const FileSystemError& failure) {
        std::filesystem::remove(PathFromUtf8(partialUtf8), ec);
        throw Error(SaveError(targetUtf8, WriteFailureReason(failure.Code())));
    }
}

std::string WriteFailureReason(int systemError) {
    switch (systemError) {
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return "на диске нет места";
        case EACCES:
        case EPERM:
            return "нет прав на запись";
        case EROFS:
            return "диск доступен только для чтения";
        case ENOENT:
        case ENOTDIR:
            return "папка не существует";
        case EIO:
            return "ошибка ввода-вывода";
        case 0:
            return "ошибка записи";
        default:
            return SystemErrorText(systemError);
    }
}

}  // namespace tarnfold::word::docx
