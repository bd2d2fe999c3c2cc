// Marks the time while the system itself files items into Outlook folders (a template's
// temporary copy, a new or converted template, the sample templates, an import): the checks
// meant for items the user drops into the templates folder stay quiet then.
#pragma once

class SystemFiling {
 public:
  SystemFiling();
  ~SystemFiling();
  SystemFiling(const SystemFiling&) = delete;
  SystemFiling& operator=(const SystemFiling&) = delete;

  static bool Active();
};
