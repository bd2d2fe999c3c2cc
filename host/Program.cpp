#include "host/Program.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

#include "host/FaultRun.h"
#include "host/FaultVfs.h"
#include "host/ProfileStore.h"
#include "host/ScriptReader.h"
#include "host/Session.h"
#include "platform/win32/Faults.h"

namespace host {
namespace {

const char* kUsage =
    "usage: tanvelo-outlook [--outlook 9|10|11|12|14] [--profile DIR] [--demo]\n"
    "                       [--word memory|libreoffice] [--keep-c DIR] [--lang FILE]\n"
    "                       [--fault-every N [--fault-seed S]]\n"
    "                       [--fault-at K | --fault-burst K,M | --fault-count]\n"
    "                       [-e LINE]... [SCRIPT]...\n"
    "       tanvelo-outlook --help | --version\n"
    "Plays Outlook with the Tanvelo add-in loaded.\n"
    "  --outlook N    the Outlook version: 9 (2000), 10 (2002), 11 (2003), 12 (2007),\n"
    "                 14 (2010, the default); the years name them too\n"
    "  --profile DIR  keeps the mail, the registry and a --lang file in DIR (a profile of\n"
    "                 the older form, its registry in DIR/registry.hive, is taken over);\n"
    "                 a new DIR starts from the demo profile; its parent must exist\n"
    "  --demo         runs the built-in demo: a reply from a template on Outlook 2010\n"
    "  --word KIND    Word for the export and import: memory (the default, the same\n"
    "                 files on every run) or libreoffice (real Word files through soffice)\n"
    "  --keep-c DIR   copies drive C: into DIR when Outlook ends, so the files an export\n"
    "                 wrote there can be opened\n"
    "  --lang FILE    the add-in's language file instead of EN.lng: it is put beside the\n"
    "                 add-in and the user's language option set to it\n"
    "  -e LINE        runs one command line (repeatable)\n"
    "  SCRIPT         runs the script file's commands\n"
    "  --fault-every N  plays the scripts once as written, then again with every Nth call the\n"
    "                 add-in makes into Outlook, Word, files, registry or clipboard failing\n"
    "                 (the seed S picks which), and reports what the add-in broke (exit 3)\n"
    "  --fault-at K   the same with the Kth call only failing; --fault-burst K,M the calls\n"
    "                 K to K+M-1; --fault-count tells which calls each line makes\n"
    "                 With --profile only the profile's own writes fail (the count is told\n"
    "                 at the end, and each line's with --fault-count); the scripts play\n"
    "                 once and a failed save ends with 3\n"
    "  --version      tells which program this is and the Outlook versions it plays\n"
    "With a terminal and nothing to run, the commands are read at a prompt; `help` lists them.\n"
    "Exit codes: 0 done, 1 an expectation failed, 2 a script or option error, 3 the profile\n"
    "could not be saved, or a fault run found what the add-in broke.\n";

const char* kVersion =
    "tanvelo-outlook: Outlook 9 (2000), 10 (2002), 11 (2003), 12 (2007) and 14 (2010) with the\n"
    "Tanvelo add-in loaded, over the project's own substitute of Outlook, Office and Windows\n";

// A script as it was read, in UTF-8: a line is converted only when it runs, and its words
// are its only copy.
struct Source {
  std::string name;  // "-e", a file name, "demo", "stdin"
  std::string text;
  std::vector<std::pair<size_t, size_t>> lines;  // where each line lies in the text
  std::string_view Line(size_t n) const {
    return std::string_view(text).substr(lines[n].first, lines[n].second);
  }
};

// Why the last call into the system failed, as it tells it.
std::string Reason() {
  return std::strerror(errno);
}

// A language file given with --lang: its bytes, its name and the language it is for.
struct Language {
  std::string bytes, name, id;
};

// A language file's [version] section as the add-in reads it: the langid, the language's name
// and the signature; `found` false when the file has no such section.
struct VersionSection {
  bool found = false;
  std::string langid, lang, signature;
};

VersionSection ReadVersion(const std::string& bytes) {
  auto trim = [](std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r'))
      t.remove_suffix(1);
    return t;
  };
  auto lower = [](std::string_view t) {
    std::string out(t);
    for (auto& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
  };
  VersionSection version;
  std::string_view text = bytes;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  bool inVersion = false;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.starts_with("[")) {
      inVersion = lower(line) == "[version]";
      version.found = version.found || inVersion;
      continue;
    }
    size_t equals = line.find('=');
    if (!inVersion || equals == std::string_view::npos) continue;
    std::string key = lower(trim(line.substr(0, equals)));
    std::string_view value = trim(line.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (key == "langid" && version.langid.empty()) version.langid = value;
    if (key == "lang" && version.lang.empty()) version.lang = value;
    if (key == "signature" && version.signature.empty()) version.signature = value;
  }
  return version;
}

// Whether the bytes hold letters beyond ASCII, each a whole UTF-8 sequence: text a Linux editor
// saved, which Windows-1252 would read as two or three letters each.
bool LooksUtf8(std::string_view bytes) {
  bool beyondAscii = false;
  for (size_t at = 0; at < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const size_t length = lead < 0x80             ? 1
                          : (lead & 0xE0) == 0xC0 ? 2
                          : (lead & 0xF0) == 0xE0 ? 3
                          : (lead & 0xF8) == 0xF0 ? 4
                                                  : 0;
    if (length == 0 || at + length > bytes.size() || (length == 2 && lead < 0xC2)) return false;
    for (size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(bytes[at + k]) & 0xC0) != 0x80) return false;
    beyondAscii = beyondAscii || length > 1;
    at += length;
  }
  return beyondAscii;
}

// Why the add-in could not read the language file at `path`, in a sentence naming the fix;
// empty when it can. Sets the langid it is for.
std::string LanguageRefused(const std::string& path, const std::string& bytes, std::string& id) {
  // Windows-1252 is what the add-in reads without a mark; UTF-8 it reads after one.
  const std::string_view text = bytes;
  const bool utf16le = text.starts_with("\xFF\xFE"), utf16be = text.starts_with("\xFE\xFF");
  if (utf16le || utf16be)
    return path + " is UTF-16 text (" + (utf16le ? "little" : "big") +
           "-endian): the add-in reads language files in Windows-1252 with lines ended by CR LF "
           "(or in UTF-8 after a byte-order mark): convert it, e.g. with iconv -f UTF-16 -t "
           "WINDOWS-1252 " +
           path + " > NEW.lng";
  if (!text.starts_with("\xEF\xBB\xBF") && LooksUtf8(text))
    return path +
           " is UTF-8 text without a byte-order mark: the add-in would read it as "
           "Windows-1252 and garble every letter beyond ASCII: convert it to Windows-1252, e.g. "
           "with iconv -f UTF-8 -t WINDOWS-1252 " +
           path + " > NEW.lng, or for letters Windows-1252 lacks start it with the mark: " +
           "printf '\\357\\273\\277' | cat - " + path + " > NEW.lng";
  VersionSection version = ReadVersion(bytes);
  id = version.langid;
  if (!version.found) return path + " is not a language file: it has no [version] section";
  if (version.langid.empty())
    return path + " is not a language file: its [version] section names no langid";
  if (version.signature != "Norvane.LangLngFile" || version.lang.empty())
    return path + " is not a language file the add-in takes: its [version] section needs " +
           "signature = \"Norvane.LangLngFile\" and a lang";
  // The add-in reads lines ended by CR LF, as Windows writes them; an LF alone ends none.
  for (size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1))
    if (at == 0 || bytes[at - 1] != '\r')
      return path + " has lines ended by LF alone (line " +
             std::to_string(std::count(bytes.begin(), bytes.begin() + static_cast<long>(at), '\n') +
                            1) +
             "); the add-in reads lines ended by CR LF, as Windows writes them: convert it, "
             "e.g. with sed -i 's/\\r*$/\\r/' " +
             path;
  return "";
}

// The folder of a kept profile that keeps the language file chosen with --lang.
std::filesystem::path KeptLanguages(const std::string& profileDir) {
  return std::filesystem::path(profileDir) / "languages";
}

// The lines of a text: ends at "\n", a "\r" before it left out.
std::vector<std::pair<size_t, size_t>> Lines(const std::string& text) {
  std::vector<std::pair<size_t, size_t>> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    size_t stop = end == std::string::npos ? text.size() : end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines.emplace_back(start, stop - start);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// Where a line came from, as messages name it: "my.txt:12", or "-e #3" for the third -e.
std::string Where(const Source& source, size_t n) {
  if (source.name.rfind("-e #", 0) == 0) return source.name;
  return source.name + ":" + std::to_string(n + 1);
}

// Why `path` cannot be read or written as `what`, in a sentence; empty when it can, or when
// nothing is there yet.
std::string NotAFile(const std::string& path, const std::string& what, bool pipeWillDo) {
  std::error_code ec;
  auto status = std::filesystem::status(path, ec);
  switch (status.type()) {
    case std::filesystem::file_type::directory:
      return path + " is a folder, not " + what;
    case std::filesystem::file_type::fifo:
      return pipeWillDo ? "" : path + " is a pipe, not " + what;
    case std::filesystem::file_type::block:
    case std::filesystem::file_type::character:
      return path + " is a device, not " + what;
    case std::filesystem::file_type::socket:
      return path + " is a socket, not " + what;
    default:
      return "";
  }
}

// A folder the program keeps the user's files in (--profile, --keep-c): the file system's root
// would mix them with everything else, and a path whose parent is missing is most likely
// mistyped, so only its last folder is made.
std::string NotAFolderOfItsOwn(const std::string& dir, const std::string& option) {
  std::error_code ec;
  auto full = std::filesystem::weakly_canonical(std::filesystem::absolute(dir, ec), ec);
  if (!ec && full == full.root_path())
    return dir + " is the file system's root: " + option + " takes a folder of its own";
  if (std::filesystem::exists(full, ec)) return "";
  auto parent = full.parent_path();
  if (!std::filesystem::is_directory(parent, ec))
    return "the folder " + parent.string() + " does not exist: " + option +
           " makes only the last folder of " + dir + " (mistyped?)";
  return "";
}

// The profile folder and the files the program keeps in it, as they must be.
std::string ProfileNotFiles(const std::string& dir) {
  std::error_code ec;
  if (auto why = NotAFolderOfItsOwn(dir, "--profile"); !why.empty()) return why;
  auto status = std::filesystem::status(dir, ec);
  if (std::filesystem::exists(status) && !std::filesystem::is_directory(status))
    return dir + " is a file, not a folder: --profile takes the folder the profile is kept in";
  for (const auto& [name, what] : {std::pair{"store.sqlite", "the profile's mail store file"},
                                   std::pair{"registry.hive", "the profile's registry file"},
                                   std::pair{"lock", "the profile's lock file"}}) {
    auto why = NotAFile((std::filesystem::path(dir) / name).string(), what, false);
    if (!why.empty()) return why;
  }
  return "";
}

// The kept profile's writes under the fault switch for one program; at its end the count is
// told ("profile faults: R raised in C calls"), so a sweep learns how many calls there are.
class ProfileFaults {
 public:
  ProfileFaults(const ProgramIo& io, const win32::faults::Plan& plan)
      : io_(io), counting_(plan.countOnly) {
    SetProfileStoreVfs(FaultVfsName());
    win32::faults::Start(plan);
  }
  ~ProfileFaults() {
    auto tally = win32::faults::Counts();
    for (size_t n = 0; n < lines_.size(); ++n) {
      auto [first, last] = lines_[n].second;
      io_.out("line " + std::to_string(n + 1) + " calls " +
              (last < first ? std::string("none")
                            : std::to_string(first) + "-" + std::to_string(last)) +
              ": " + lines_[n].first + "\n");
    }
    win32::faults::Stop();
    SetProfileStoreVfs(nullptr);
    io_.err("profile faults: " + std::to_string(tally.raised) + " raised in " +
            std::to_string(tally.calls) + " calls\n");
  }
  ProfileFaults(const ProfileFaults&) = delete;
  ProfileFaults& operator=(const ProfileFaults&) = delete;

  // The calls one line made, told at the end as the fault run's count tells them.
  class Line {
   public:
    Line(std::optional<ProfileFaults>& faults, std::string_view text)
        : faults_(faults && faults->counting_ ? &*faults : nullptr),
          text_(faults_ ? text : std::string_view()),
          first_(win32::faults::Counts().calls + 1) {}
    ~Line() {
      if (faults_) faults_->lines_.push_back({text_, {first_, win32::faults::Counts().calls}});
    }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

   private:
    ProfileFaults* faults_;
    std::string text_;
    uint64_t first_;
  };

 private:
  const ProgramIo& io_;
  bool counting_;
  std::vector<std::pair<std::string, std::pair<uint64_t, uint64_t>>> lines_;
};

// Whether a line's first word (as CheckLine gives it) names a command; a word longer than
// any command is none, and is not decoded.
bool KnownCommand(std::string_view first) {
  if (first.size() > 64) return false;
  auto words = SplitLine(first);
  return !words.empty() && Session::IsCommand(words[0].text);
}

std::string UnknownCommand(std::string_view first) {
  // Shown as the run would show it, cut, with no copy of a long word.
  if (first.size() <= 64)
    return "unknown command: " + ShownInput(SplitLine(first)[0].text) +
           " (help lists the commands)";
  if (first.front() == '"') first = first.substr(1, first.size() - 2);
  std::string shown = ShownInput(first);
  return "unknown command: " + shown + " (help lists the commands)";
}

}  // namespace

int RunProgram(const std::vector<std::string>& args, const ProgramIo& io) {
  int32_t version = 14;
  std::optional<std::string> profileDir;
  bool demo = false, versionGiven = false;
  int lineOptions = 0;
  std::string wordKind, keepDriveC;
  uint32_t faultEvery = 0, faultSeed = 0;
  uint64_t faultAt = 0, faultSpan = 1;
  bool faultCount = false;
  Language language;
  std::vector<Source> sources;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (a == "--help" || a == "-h") {
      io.out(kUsage);
      return 0;
    } else if (a == "--version") {
      io.out(kVersion);
      return 0;
    } else if (a == "--keep-c") {
      auto v = value();
      if (!v || v->empty()) {
        io.err("tanvelo-outlook: --keep-c takes a folder\n");
        return 2;
      }
      std::error_code ec;
      std::string why = NotAFolderOfItsOwn(*v, "--keep-c");
      if (why.empty() && std::filesystem::exists(*v, ec) && !std::filesystem::is_directory(*v, ec))
        why = *v + " is a file, not a folder: --keep-c takes the folder drive C: is copied to";
      if (why.empty() && !std::filesystem::is_directory(*v, ec) &&
          !std::filesystem::create_directory(*v, ec))
        why = "cannot make the folder " + *v + ": " + ec.message();
      if (!why.empty()) {
        io.err("tanvelo-outlook: " + why + "\n");
        return 2;
      }
      keepDriveC = *v;
    } else if (a == "--outlook") {
      // People name Outlook by its year as often as by its number.
      static const std::pair<const char*, int32_t> kVersions[] = {
          {"9", 9},    {"10", 10},   {"11", 11},   {"12", 12},   {"14", 14},
          {"2000", 9}, {"2002", 10}, {"2003", 11}, {"2007", 12}, {"2010", 14}};
      auto v = value();
      auto named = std::find_if(std::begin(kVersions), std::end(kVersions),
                                [&](const auto& known) { return v && *v == known.first; });
      if (named == std::end(kVersions)) {
        io.err(
            "tanvelo-outlook: --outlook takes 9, 10, 11, 12 or 14, or the year: 2000, 2002, "
            "2003, 2007 or 2010\n");
        return 2;
      }
      version = named->second;
      versionGiven = true;
    } else if (a == "--profile") {
      auto v = value();
      if (!v || v->empty()) {
        io.err("tanvelo-outlook: --profile takes a folder\n");
        return 2;
      }
      profileDir = *v;
    } else if (a == "--word") {
      auto v = value();
      if (!v || (*v != "memory" && *v != "libreoffice")) {
        io.err("tanvelo-outlook: --word takes memory or libreoffice\n");
        return 2;
      }
      wordKind = *v == "memory" ? "" : *v;
    } else if (a == "--lang") {
      auto v = value();
      if (!v || v->empty()) {
        io.err("tanvelo-outlook: --lang takes a language file\n");
        return 2;
      }
      std::string why = NotAFile(*v, "a language file", false);
      std::ifstream in(*v, std::ios::binary);
      if (why.empty() && !in) why = "cannot read the language file " + *v + ": " + Reason();
      if (why.empty()) {
        language.bytes.assign(std::istreambuf_iterator<char>(in), {});
        language.name = std::filesystem::path(*v).filename().string();
        why = LanguageRefused(*v, language.bytes, language.id);
        if (!why.empty()) language.id.clear();
      }
      if (!why.empty()) {
        io.err("tanvelo-outlook: " + why + "\n");
        return 2;
      }
    } else if (a == "--fault-every" || a == "--fault-seed") {
      auto v = value();
      if (!v || v->empty() || v->size() > 9 ||
          v->find_first_not_of("0123456789") != std::string::npos ||
          (a == "--fault-every" && std::stoul(*v) == 0)) {
        io.err("tanvelo-outlook: " + a + " takes a number" +
               (a == "--fault-every" ? " above 0\n" : "\n"));
        return 2;
      }
      (a == "--fault-every" ? faultEvery : faultSeed) = static_cast<uint32_t>(std::stoul(*v));
    } else if (a == "--fault-at" || a == "--fault-burst") {
      // --fault-at K, or --fault-burst K,M: the calls K to K+M-1.
      auto v = value();
      auto number = [](const std::string& t) -> uint64_t {
        if (t.empty() || t.size() > 12 || t.find_first_not_of("0123456789") != std::string::npos)
          return 0;
        return std::stoull(t);
      };
      size_t comma = v ? v->find(',') : std::string::npos;
      if (v && a == "--fault-at") {
        faultAt = number(*v), faultSpan = 1;
      } else if (v && comma != std::string::npos) {
        faultAt = number(v->substr(0, comma)), faultSpan = number(v->substr(comma + 1));
      }
      if (!v || faultAt == 0 || faultSpan == 0) {
        io.err("tanvelo-outlook: " + a +
               (a == "--fault-at" ? " takes a call's number from 1\n"
                                  : " takes K,M: a call's number from 1 and a count above 0\n"));
        return 2;
      }
    } else if (a == "--fault-count") {
      faultCount = true;
    } else if (a == "--demo") {
      demo = true;
    } else if (a == "-e") {
      auto v = value();
      if (!v) {
        io.err("tanvelo-outlook: -e takes a command line\n");
        return 2;
      }
      sources.push_back({"-e #" + std::to_string(++lineOptions), *v, {{0, v->size()}}});
    } else if (!a.empty() && a[0] == '-') {
      io.err("tanvelo-outlook: unknown option " + a + "\n" + kUsage);
      return 2;
    } else {
      // A pipe (`<(...)`) is a script like a file; a folder or a device is none.
      if (auto why = NotAFile(a, "a script file", true); !why.empty()) {
        io.err("tanvelo-outlook: " + why + "\n");
        return 2;
      }
      std::ifstream in(a, std::ios::binary);
      if (!in) {
        io.err("tanvelo-outlook: cannot read the script " + a + ": " + Reason() + "\n");
        return 2;
      }
      // Read in pieces into a text sized once where the size is known: a long script costs
      // its own size.
      Source source{a, {}, {}};
      std::error_code ec;
      auto size = std::filesystem::file_size(a, ec);
      try {
        if (!ec) source.text.reserve(size);
        std::vector<char> piece(1 << 16);
        while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount())
          source.text.append(piece.data(), static_cast<size_t>(in.gcount()));
      } catch (const std::exception& e) {
        io.err("tanvelo-outlook: cannot read the script " + a + ": " + e.what() + "\n");
        return 2;
      }
      if (in.bad()) {
        io.err("tanvelo-outlook: cannot read the script " + a + ": " + Reason() + "\n");
        return 2;
      }
      // Editors on Windows start a UTF-8 file with a byte-order mark; it is no part of a line.
      if (source.text.starts_with("\xEF\xBB\xBF")) source.text.erase(0, 3);
      if (!IsText(source.text)) {
        io.err("tanvelo-outlook: " + a + " is not a text file\n");
        return 2;
      }
      source.lines = Lines(source.text);
      sources.push_back(std::move(source));
    }
  }
  if (demo) {
    // The demo clicks the ribbon, which Outlook 2010 has.
    if (versionGiven && version != 14) {
      io.err("tanvelo-outlook: --demo plays Outlook 2010; leave out --outlook or give 14\n");
      return 2;
    }
    Source script{"demo", {}, {}};
    for (const auto& line : DemoScript()) {
      std::string text = Utf8(line);
      script.lines.emplace_back(script.text.size(), text.size());
      script.text += text + "\n";
    }
    sources.insert(sources.begin(), std::move(script));
  }
  // Every script is read whole before its first line runs: a line that cannot be read, or
  // one whose command does not exist, stops the program with nothing run, and nothing saved.
  for (const auto& source : sources)
    for (size_t n = 0; n < source.lines.size(); ++n) {
      std::string_view line = source.Line(n);
      try {
        auto first = CheckLine(line);
        if (first && !KnownCommand(*first)) throw ScriptError(UnknownCommand(*first));
        // A misspelt dialog in an answer is as sure a mistake; a line too long to be an
        // answer is left to its run, so reading it here costs no copy.
        if (first && *first == "answer" && line.size() <= 4096) {
          auto words = SplitLine(line);
          if (words.size() > 1 && !words[1].quoted && words[1].text != L"box" &&
              words[1].text != L"browser")
            if (auto why = Session::UnknownDialog(words[1].text); !why.empty())
              throw ScriptError(Utf8(why));
        }
      } catch (const ScriptError& e) {
        io.err(Where(source, n) + ": error: " + CutInput(e.what(), line) + "\n");
        return 2;
      }
    }
  if (!language.id.empty() && (faultEvery || faultAt || faultCount) && !profileDir) {
    io.err("tanvelo-outlook: --lang does not go with the fault run; it plays EN.lng\n");
    return 2;
  }

  // With --profile only the profile's own writes fail: the scripts play once, as without
  // faults, and a save that fails ends the run with 3.
  std::optional<ProfileFaults> profileFaults;
  if (faultEvery || faultAt || faultCount) {
    if (sources.empty() || (faultEvery != 0) + (faultAt != 0) + faultCount > 1) {
      io.err(
          "tanvelo-outlook: --fault-every, --fault-at, --fault-burst and --fault-count play "
          "scripts, one of them\n");
      return 2;
    }
  }
  if ((faultEvery || faultAt || faultCount) && profileDir) {
    profileFaults.emplace(io, win32::faults::Plan{.every = faultEvery,
                                                  .seed = faultSeed,
                                                  .addinOnly = false,
                                                  .at = faultAt,
                                                  .span = faultSpan,
                                                  .countOnly = faultCount,
                                                  .throughResets = true,
                                                  .profileOnly = true});
  } else if (faultEvery || faultAt || faultCount) {
    FaultRunOptions faults{.every = faultEvery,
                           .seed = faultSeed,
                           .at = faultAt,
                           .span = faultSpan,
                           .count = faultCount,
                           .outlookVersion = version,
                           .languageFile = io.languageFile,
                           .lines = {},
                           .afterLine = {},
                           .refuseUnraised = true};
    for (const auto& source : sources)
      for (size_t n = 0; n < source.lines.size(); ++n)
        faults.lines.push_back(FromUtf8(source.Line(n)));
    return RunUnderFaults(faults, io);
  }

  std::unique_ptr<ProfileStore> store;
  if (profileDir) {
    std::string why = ProfileNotFiles(*profileDir);
    if (!why.empty()) {
      io.err("tanvelo-outlook: " + why + "\n");
      return 2;
    }
    // A mistyped folder would otherwise start a profile of its own unnoticed.
    std::error_code ec;
    bool fresh =
        !std::filesystem::exists(std::filesystem::path(*profileDir) / "store.sqlite", ec) &&
        !std::filesystem::exists(std::filesystem::path(*profileDir) / "registry.hive", ec);
    store = std::make_unique<ProfileStore>(*profileDir);
    if (!store->Ok()) {
      io.err("tanvelo-outlook: " + Utf8(store->Error()) + "\n");
      return 2;
    }
    if (fresh)
      io.err("tanvelo-outlook: " + *profileDir +
             " holds no profile: a new one is made there, from the demo profile\n");
    if (!store->ReadOnlyCause().empty())
      io.err("tanvelo-outlook: the profile " + *profileDir + " is opened to be read only (" +
             Utf8(store->ReadOnlyCause()) + "): what this session changes cannot be kept\n");
  }

  // A language chosen with --lang stays with a kept profile: the file is kept in the profile's
  // folder and put beside the add-in at each start, as the user's option names it.
  std::vector<std::pair<std::string, std::string>> keptLanguages;
  if (profileDir && !language.id.empty() && store->ReadOnlyCause().empty()) {
    std::error_code ec;
    auto folder = KeptLanguages(*profileDir);
    std::filesystem::create_directory(folder, ec);
    std::ofstream kept(folder / language.name, std::ios::binary | std::ios::trunc);
    kept.write(language.bytes.data(), static_cast<std::streamsize>(language.bytes.size()));
    if (ec || !kept.flush())
      io.err("tanvelo-outlook: warning: the language file could not be kept in " + folder.string() +
             " (" + (ec ? ec.message() : Reason()) + "): a later start needs --lang again\n");
  } else if (profileDir && language.id.empty()) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(KeptLanguages(*profileDir), ec)) {
      if (!entry.is_regular_file(ec) || entry.path().extension() != ".lng") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::string bytes(std::istreambuf_iterator<char>(in), {}), id;
      if (in && LanguageRefused(entry.path().string(), bytes, id).empty())
        keptLanguages.emplace_back(entry.path().filename().string(), std::move(bytes));
    }
  }

  if (io.languageFile.empty() && language.id.empty())
    io.err(
        "tanvelo-outlook: warning: no language file EN.lng beside the program; the add-in's "
        "texts show as their numbers\n");
  bool prompt = sources.empty() && io.terminal;
  // Commands piped in are a script like any other, run as each line comes.
  bool piped = sources.empty() && !io.terminal;

  SessionOptions options;
  options.outlookVersion = version;
  options.store = store.get();
  options.languageFile = language.id.empty() ? io.languageFile : language.bytes;
  options.languageName = language.name;
  options.languageId = language.id;
  options.word = wordKind;
  options.keptLanguages = std::move(keptLanguages);
  options.keepDriveC = keepDriveC;
  // The editor redraws its prompt, so it is given the question's last line and the rest is
  // written out before it.
  bool toldInterrupt = false;
  auto ask = [&io, &toldInterrupt](const std::string& text, std::string& line) {
    if (!io.readEdited) {
      io.out(text);
      return io.readLine(line);
    }
    size_t last = text.rfind('\n');
    if (last != std::string::npos) io.out(text.substr(0, last + 1));
    for (;;) {
      try {
        return io.readEdited(last == std::string::npos ? text : text.substr(last + 1), line);
      } catch (const Interrupted&) {
        // Ctrl-C drops the line being typed and asks again; it never ends the program.
        if (!toldInterrupt) io.out("(Ctrl-C drops the line; `quit` or Ctrl-D ends the program)\n");
        toldInterrupt = true;
      }
    }
  };
  if (prompt) {
    options.ask = [&ask](const std::wstring& text) -> std::optional<std::wstring> {
      std::string line;
      if (!ask(Utf8(text), line)) return std::nullopt;
      return FromUtf8(line);
    };
  }
  auto print = [&io](const std::wstring& line) { io.out(Utf8(line) + "\n"); };
  std::unique_ptr<Session> session;
  try {
    session = std::make_unique<Session>(options, print);
  } catch (const std::exception& e) {
    io.err(std::string("tanvelo-outlook: ") + e.what() + "\n");
    return 2;
  }

  // A language option whose file is gone would show every text as its id: said at once.
  if (auto missing = session->MissingLanguageFile();
      !missing.empty() && !(io.languageFile.empty() && missing == L"EN.lng"))
    io.err("tanvelo-outlook: warning: the language option names " + Utf8(missing) +
           ", which is not beside the add-in, so its texts show as their ids; give it again "
           "with --lang FILE\n");

  if (prompt) {
    io.out("Outlook " + std::to_string(version) +
           " with Tanvelo. Type `help` for the commands, `start` to begin.\n");
    std::string line;
    for (bool ended = false; !ended && !session->QuitRequested();) {
      if (!ask("outlook> ", line)) {
        ended = true;
        // The input ended (Ctrl-D): Outlook quits, telling what it drops; nobody is left to ask.
        io.out("\n");
        session->StopAsking();
        line = "quit";
      }
      try {
        session->Run(SplitLine(line));
      } catch (const SaveFailed& e) {
        io.err(std::string("tanvelo-outlook: the profile could not be saved: ") + e.what() + "\n");
        return 3;
      } catch (const std::exception& e) {
        io.out("error: " + CutInput(e.what(), line) + "\n");
      }
      for (const auto& dropped : session->TakeDroppedAnswers())
        io.out("warning: the line did not use " + ShownInput(dropped) + "; it is dropped\n");
    }
    return 0;
  }

  auto run = [&](const Source& source, size_t n, std::string_view line) {
    ProfileFaults::Line counted(profileFaults, line);
    // The line's words are its only wide copy, and they go once it has run.
    std::optional<std::vector<Word>> words;
    std::string unread;
    try {
      words = SplitLine(line);
    } catch (const ScriptError& e) {
      unread = e.what();
    }
    // The demo's lines are there to be copied: shown whole.
    if (!words || !words->empty())
      io.out("> " + (source.name == "demo" ? std::string(line) : ShownInput(line)) + "\n");
    if (!words) {
      io.err(Where(source, n) + ": error: " + CutInput(unread, line) + "\n");
      return 2;
    }
    int code = 0;
    session->SetWhere(FromUtf8(Where(source, n)));
    try {
      session->Run(std::move(*words));
    } catch (const SaveFailed& e) {
      io.err(Where(source, n) + ": the profile could not be saved: " + e.what() + "\n");
      code = 3;
    } catch (const ExpectationFailed& e) {
      io.err(Where(source, n) + ": " + CutInput(e.what(), line) + "\n");
      code = 1;
    } catch (const std::exception& e) {
      io.err(Where(source, n) + ": error: " + CutInput(e.what(), line) + "\n");
      code = 2;
    }
    for (const auto& dropped : session->TakeDroppedAnswers())
      io.err("tanvelo-outlook: warning: " + Where(source, n) + " did not use " +
             ShownInput(dropped) + "; it is dropped\n");
    return code;
  };
  auto ending = [&](int code) {
    for (const auto& unused : session->UnusedAnswers())
      io.err("tanvelo-outlook: warning: never used: " + ShownInput(unused) + "\n");
    return code;
  };
  if (piped) {
    Source in{"stdin", {}, {}};
    std::string text;
    for (size_t n = 0; io.readLine(text); ++n) {
      if (!text.empty() && text.back() == '\r') text.pop_back();
      if (n == 0 && text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
      // Bytes that are not text are refused as a script file's are, not run or echoed.
      if (!IsText(text)) {
        io.err("tanvelo-outlook: the input is not text (line " + std::to_string(n + 1) +
               " holds a control byte); nothing more of it runs\n");
        return ending(2);
      }
      if (int code = run(in, n, text)) return ending(code);
    }
  }
  if (demo) io.out(DemoTitle() + "\n");
  for (const auto& source : sources)
    for (size_t n = 0; n < source.lines.size(); ++n)
      if (int code = run(source, n, source.Line(n))) return ending(code);
  if (demo) io.out(DemoSummary() + "\n");
  return ending(0);
}

}  // namespace host
