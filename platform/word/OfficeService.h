// A converter served by one LibreOffice process for as long as Word runs: the process is
// started at the first document and driven through LibreOffice's own programming interface
// (UNO, by a small Python client of it that runs beside it), and ended when Word quits. The
// process has a folder of its own for its profile, home and temporary files, removed when it
// ends, whatever its end; the user's own LibreOffice is never touched. Each document has a time
// limit from the moment it is handed over; a document the process hangs or crashes on fails by
// name, the process is ended, and the next document gets a fresh one.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/word/Word.h"

namespace word {

class OfficeService : public Converter {
 public:
  // `folder`: where the process makes its own folder. `python`: a Python with LibreOffice's
  // UNO module.
  OfficeService(std::string soffice, std::string folder, int timeoutSeconds = 120,
                int killAfterSeconds = 10, std::string python = DefaultPython());
  ~OfficeService() override;
  OfficeService(const OfficeService&) = delete;
  OfficeService& operator=(const OfficeService&) = delete;

  static std::string DefaultPython() { return "/usr/bin/python3"; }
  // Whether `python` can reach LibreOffice's programming interface.
  static bool Usable(const std::string& python = DefaultPython());

  std::optional<std::string> ToHtml(const std::string& document,
                                    const std::string& outFolder) override;
  bool ToDoc(const std::string& source, const std::string& document) override;
  std::wstring Problem() const override { return problem_; }
  void End() override;

  // The running process's group (0 when none) and how many processes were started.
  pid_t Group() const { return group_; }
  int Starts() const { return starts_; }
  // Called with the group each time a document has been handed over.
  std::function<void(pid_t)> onHandedOver;
  // The sockets the running office made outside its folder (its pipes in /tmp).
  const std::vector<std::string>& Sockets() const { return sockets_; }
  // The process that ends the office should this program end without ending it (0: none).
  pid_t Watcher() const { return watcher_; }

 private:
  bool Begin(const std::wstring& file);
  // Converts `input` into `output` with the export filter; false with problem_ set.
  bool Convert(const std::string& input, const std::string& output, const std::string& filter,
               const std::wstring& file);
  // One line from the client before the deadline; nullopt at its end or the deadline.
  std::optional<std::string> ReadLine(long long deadlineMs, bool& late);
  void Stop(bool politely);
  std::wstring Said() const;
  std::wstring Ending(const std::wstring& file);

  std::string soffice_, folder_, python_;
  int timeout_, killAfter_;
  std::wstring problem_;
  std::string own_;  // the process's own folder
  pid_t office_ = 0, client_ = 0, group_ = 0;
  int channel_ = -1;
  std::string pending_;
  int starts_ = 0;
  int officeStatus_ = -1;  // the launcher's wait status once reaped
  pid_t watcher_ = 0;
  int guard_ = -1;  // the watcher's standard input: it acts when the last writer is gone
  std::vector<std::string> sockets_;
  long long handedAt_ = 0;  // when the document at work was handed over (0: none)
  long long told_ = 0;      // how many times the wait was told for it
};

// The paths of the sockets a process group's processes hold, as the kernel lists them.
std::vector<std::string> OfficeSockets(pid_t group);
// Removes from `folder` the pipes of this user's offices (their single-instance pipes and the
// pipes this program names) that no process holds any more; the names of those removed.
std::vector<std::string> ClearOfficeLeftovers(const std::string& folder);

}  // namespace word
