#pragma once
// A path in the temporary folder that a test owns: unique to the process and the object, and
// removed with whatever it holds when the object goes, also after a failed assertion.
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <system_error>

class TTempPath {
  public:
    // "<temp folder>/<prefix><pid>_<n><suffix>"; nothing is created.
    explicit TTempPath(const std::string& prefix, const std::string& suffix = "") {
        static std::atomic<unsigned> serial{0};
        path_ = (std::filesystem::temp_directory_path() /
                 (prefix + std::to_string(::getpid()) + "_" + std::to_string(serial++) + suffix))
                    .string();
    }
    ~TTempPath() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TTempPath(const TTempPath&) = delete;
    TTempPath& operator=(const TTempPath&) = delete;

    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};
