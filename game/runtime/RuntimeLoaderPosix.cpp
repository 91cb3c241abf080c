// Loading the library on POSIX systems, as an ELF shared object.
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "runtime/GameException.h"
#include "runtime/RuntimeBinder.h"
#include "runtime/RuntimeLoader.h"

namespace keldo {

namespace {

// Far above the size of ours; a bigger file is not our library.
constexpr off_t kMaxRuntimeBytes = off_t{256} << 20;

[[noreturn]] void CannotLoad(const std::string& why, const std::string& file) {
    RaiseGameException(kErrRuntimeMissing, std::string("cannot load the runtime library ") +
                                               kRuntimeFile + ": " + why + " (" + file + ")");
}

// Reads exactly `size` bytes at `offset`; false when the file ends first.
bool ReadAt(int fd, void* into, size_t size, off_t offset) {
    auto* bytes = static_cast<char*>(into);
    while (size > 0) {
        const ssize_t n = pread(fd, bytes, size, offset);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

// The loader maps a file cut short without complaint, and the first touch of a page past its
// end is a bus error. So every part the header lists must lie within the file.
void CheckWhole(int fd, off_t size, const std::string& file) {
    Elf64_Ehdr header{};
    if (!ReadAt(fd, &header, sizeof header, 0) ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64) {
        return;  // not ours to judge: the loader names what is wrong with it
    }
    const auto within = [size](uint64_t offset, uint64_t length) {
        return offset <= static_cast<uint64_t>(size) &&
               length <= static_cast<uint64_t>(size) - offset;
    };
    uint64_t needed = 0;
    auto need = [&](uint64_t offset, uint64_t length) {
        if (!within(offset, length)) {
            needed = std::max(needed, offset + length);
        }
    };
    need(header.e_phoff, uint64_t{header.e_phnum} * header.e_phentsize);
    need(header.e_shoff, uint64_t{header.e_shnum} * header.e_shentsize);
    if (needed == 0 && header.e_phentsize == sizeof(Elf64_Phdr)) {
        for (unsigned i = 0; i < header.e_phnum; ++i) {
            Elf64_Phdr segment{};
            if (!ReadAt(fd, &segment, sizeof segment,
                        static_cast<off_t>(header.e_phoff + uint64_t{i} * sizeof segment))) {
                break;
            }
            if (segment.p_type == PT_LOAD) {
                need(segment.p_offset, segment.p_filesz);
            }
        }
    }
    if (needed != 0) {
        CannotLoad("the file is cut short (" + std::to_string(size) + " bytes, its header lists " +
                       std::to_string(needed) + ")",
                   file);
    }
}

// Refuses what is not a whole, ordinary library file before the loader sees it: a pipe would
// block it for ever, a device would be read without end, and a cut file faults later.
void CheckFile(const std::string& file) {
    const int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        CannotLoad(std::strerror(errno), file);
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        CannotLoad("not a regular file", file);
    }
    if (info.st_size > kMaxRuntimeBytes) {
        close(fd);
        CannotLoad("the file is larger than " + std::to_string(kMaxRuntimeBytes >> 20) + " MB",
                   file);
    }
    try {
        CheckWhole(fd, info.st_size, file);
    } catch (...) {
        close(fd);
        throw;
    }
    close(fd);
}

}  // namespace

std::string RuntimeFile() { return kRuntimeFile; }

std::string ProgramFolder() {
    // The kernel gives the path of a running program only up to a page; a longer one, or no
    // /proc at all, leaves nothing trustworthy to load from.
    char path[PATH_MAX + 1];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof path) {
        const std::string why = n < 0 ? std::strerror(errno) : "the path is too long";
        RaiseGameException(kErrRuntimeMissing,
                           std::string("cannot find the program's own folder to load ") +
                               kRuntimeFile + " from: " + why + " (/proc/self/exe)");
    }
    std::string folder(path, static_cast<size_t>(n));
    return folder.substr(0, folder.rfind('/') + 1);
}

void* LoadRuntimeFile(const std::string& file) {
    CheckFile(file);
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* error = dlerror();
        std::string why = error != nullptr ? error : "unknown reason";
        // The loader puts the path first; ours goes last.
        if (why.rfind(file + ": ", 0) == 0) {
            why.erase(0, file.size() + 2);
        }
        CannotLoad(why, file);
    }
    return handle;
}

void* FindRuntimeEntry(void* handle, const char* name) { return dlsym(handle, name); }

void UnloadRuntimeFile(void* handle) { dlclose(handle); }

uint64_t ProgramModuleHandle() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ProgramModuleHandle), &info) != 0) {
        return reinterpret_cast<uint64_t>(info.dli_fbase);
    }
    return 0;
}

uint64_t ProgramIcon(uint64_t, const TvStr* file) { return reinterpret_cast<uint64_t>(file); }

}  // namespace keldo
