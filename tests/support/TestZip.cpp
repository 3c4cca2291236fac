#include "tests/support/TestZip.h"

#include <zip.h>

bool WriteTestZip(const std::string& path, const std::vector<TestZipEntry>& entries)
{
    zipFile out = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    if (!out) return false;
    bool ok = true;
    for (const TestZipEntry& entry : entries) {
        zip_fileinfo info = {};
        info.dosDate = entry.dosDateTime;
        info.external_fa = entry.folder ? 0x10 : 0x20;
        const bool raw = entry.wrongCrc != 0;
        const char* password = entry.password.empty() ? nullptr : entry.password.c_str();
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(entry.body.data()), static_cast<uInt>(entry.body.size()));
        ok = ok && zipOpenNewFileInZip4_64(out, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                           raw ? entry.rawMethod : Z_DEFLATED, raw ? 0 : Z_DEFAULT_COMPRESSION, raw ? 1 : 0,
                                           -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, password, crc, 0,
                                           entry.utf8 ? 0x800 : 0, 0) == ZIP_OK;
        if (!entry.body.empty())
            ok = ok && zipWriteInFileInZip(out, entry.body.data(), static_cast<unsigned>(entry.body.size())) == ZIP_OK;
        if (raw)
            ok = zipCloseFileInZipRaw(out, entry.body.size(), entry.wrongCrc) == ZIP_OK && ok;
        else
            ok = zipCloseFileInZip(out) == ZIP_OK && ok;
    }
    return zipClose(out, nullptr) == ZIP_OK && ok;
}
