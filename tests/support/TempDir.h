// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes away. Every test that touches files works inside one.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace quillon::test {

class TempDir {
  public:
    TempDir() {
        std::random_device random;
        std::error_code ec;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            std::string candidate = (std::filesystem::temp_directory_path() /
                                     ("quillon7-test-" + std::to_string(random())))
                                        .generic_string();
            if (std::filesystem::create_directory(candidate, ec)) {
                path_ = candidate;
            }
        }
        if (path_.empty()) {
            throw std::runtime_error("cannot create a temporary folder");
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder with a trailing '/', as the application folder is kept.
    std::string Dir() const { return path_ + "/"; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

    std::string Write(const std::string& name, const std::string& content) const {
        std::ofstream(File(name), std::ios::binary) << content;
        return File(name);
    }
    // The file's text as the program means it: on Windows, where new text files are written
    // with CR LF, those line ends read as "\n". ReadBytes gives the file as it is.
    std::string Read(const std::string& name) const {
        std::string text = ReadBytes(name);
#ifdef _WIN32
        for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; ++at) {
            text.erase(at, 1);
        }
#endif
        return text;
    }
    std::string ReadBytes(const std::string& name) const {
        std::ifstream in(File(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

  private:
    std::string path_;
};

}  // namespace quillon::test
