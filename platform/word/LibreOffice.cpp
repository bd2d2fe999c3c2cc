#include "platform/word/LibreOffice.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

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

}  // namespace

LibreOffice::LibreOffice(std::string soffice, std::string profileFolder, int timeoutSeconds)
    : soffice_(std::move(soffice)), profile_(std::move(profileFolder)), timeout_(timeoutSeconds) {}

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
  std::error_code ec;
  fs::create_directories(profile_, ec);
  fs::create_directories(outFolder, ec);
  std::string home = (fs::path(profile_) / "home").string();
  fs::create_directories(home, ec);
  std::string command = "HOME=" + Quote(home) + " timeout " + std::to_string(timeout_) + " " +
                        Quote(soffice_) + " " +
                        Quote("-env:UserInstallation=file://" + fs::absolute(profile_).string()) +
                        " --headless --norestore --convert-to " + Quote(filter) + " --outdir " +
                        Quote(outFolder) + " " + Quote(input) + " >/dev/null 2>&1";
  int rc = std::system(command.c_str());
  fs::path written = fs::path(outFolder) / (fs::path(input).stem().string() + "." + extension);
  if (rc != 0 || !fs::exists(written, ec)) return std::nullopt;
  return written.string();
}

std::optional<std::string> LibreOffice::ToHtml(const std::string& document,
                                               const std::string& outFolder) {
  return Convert(document, "html", "html", outFolder);
}

bool LibreOffice::ToDoc(const std::string& rtf, const std::string& document) {
  fs::path out = fs::temp_directory_path() / ("tanvelo-lo-" + fs::path(rtf).stem().string());
  auto written = Convert(rtf, "doc:MS Word 97", "doc", out.string());
  std::error_code ec;
  bool ok = false;
  if (written) {
    fs::copy_file(*written, document, fs::copy_options::overwrite_existing, ec);
    ok = !ec;
  }
  fs::remove_all(out, ec);
  return ok;
}

}  // namespace word
