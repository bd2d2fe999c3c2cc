#include "platform/word/LibreOffice.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "platform/win32/CodePage.h"

namespace word {

namespace fs = std::filesystem;

namespace {

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

std::wstring Wide(const std::string& text) {
  return win32::MultiByteToWide(win32::CP_UTF8, text);
}

}  // namespace

std::string FileUrl(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "file://";
  for (char ch : fs::absolute(path).string()) {
    auto b = static_cast<unsigned char>(ch);
    if (std::isalnum(b) || b == '/' || b == '-' || b == '.' || b == '_' || b == '~') {
      out += ch;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

LibreOffice::LibreOffice(std::string soffice, std::string profileFolder, int timeoutSeconds,
                         int killAfterSeconds)
    : soffice_(std::move(soffice)),
      profile_(std::move(profileFolder)),
      timeout_(timeoutSeconds),
      killAfter_(killAfterSeconds) {}

std::optional<std::string> LibreOffice::Find() {
  const char* path = std::getenv("PATH");
  if (!path) return std::nullopt;
  std::stringstream dirs(path);
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (dir.empty()) continue;
    fs::path candidate = fs::path(dir) / "soffice";
    std::error_code ec;
    if (fs::exists(candidate, ec)) return candidate.string();
  }
  return std::nullopt;
}

std::optional<std::string> LibreOffice::Convert(const std::string& input, const std::string& filter,
                                                const std::string& extension,
                                                const std::string& outFolder) {
  problem_.clear();
  std::error_code ec;
  fs::create_directories(profile_, ec);
  fs::create_directories(outFolder, ec);
  std::string home = (fs::path(profile_) / "home").string();
  fs::create_directories(home, ec);
  // soffice's launcher ignores the polite signal: the kill after it is what ends a hang.
  std::string command = "HOME=" + Quote(home) + " timeout -k " + std::to_string(killAfter_) + " " +
                        std::to_string(timeout_) + " " + Quote(soffice_) + " " +
                        Quote("-env:UserInstallation=" + FileUrl(profile_)) +
                        " --headless --norestore --convert-to " + Quote(filter) + " --outdir " +
                        Quote(outFolder) + " " + Quote(input) + " >/dev/null 2>&1";
  int status = std::system(command.c_str());
  fs::path written = fs::path(outFolder) / (fs::path(input).stem().string() + "." + extension);
  std::wstring file = Wide(fs::path(input).filename().string());
  if (status == -1) {
    problem_ = L"the word processor could not be started";
    return std::nullopt;
  }
  int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (code == 124 || code == 128 + 9) {
    problem_ = L"the word processor did not finish " + file + L" within " +
               std::to_wstring(timeout_) + L" seconds";
  } else if (code > 128) {
    problem_ = L"the word processor ended abnormally on " + file + L" (signal " +
               std::to_wstring(code - 128) + L")";
  } else if (code != 0) {
    problem_ =
        L"the word processor failed on " + file + L" (exit status " + std::to_wstring(code) + L")";
  } else if (!fs::exists(written, ec)) {
    problem_ = L"the word processor could not read " + file;
  }
  if (!problem_.empty()) return std::nullopt;
  return written.string();
}

std::optional<std::string> LibreOffice::ToHtml(const std::string& document,
                                               const std::string& outFolder) {
  return Convert(document, "html", "html", outFolder);
}

bool LibreOffice::ToDoc(const std::string& rtf, const std::string& document) {
  std::string pattern = (fs::temp_directory_path() / "tanvelo-lo-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    problem_ = L"no folder for the word processor's output";
    return false;
  }
  fs::path out = pattern;
  auto written = Convert(rtf, "doc:MS Word 97", "doc", out.string());
  std::error_code ec;
  bool ok = false;
  if (written) {
    fs::copy_file(*written, document, fs::copy_options::overwrite_existing, ec);
    ok = !ec;
    if (ec) problem_ = L"the converted document could not be kept";
  }
  fs::remove_all(out, ec);
  return ok;
}

}  // namespace word
