// A job of the personalization library as the template road uses it.
#pragma once

#include <memory>
#include <string>

#include "engine/mTanveloRoad.h"

class RL_CJob;

class CPersonalizationJob : public mTanvelo::IPersonalizationJob {
 public:
  explicit CPersonalizationJob(std::shared_ptr<RL_CJob> oJob) : m_oJob(std::move(oJob)) {}

  bool HasReplaces(const std::wstring& sEntryID, const std::wstring& StoreID) override;
  bool LoadReplaceValues(const std::wstring& sEntryID, const std::wstring& StoreID, bool bWndOnTop,
                         bool bSilent, bool bIgnoreErrors) override;
  bool DoReplace(const std::wstring& sEntryID, bool bLeaveEmptyReplacements, bool& bWasEmptyProp,
                 const std::wstring& StoreID, int32_t ForceBodyFormat, bool bSaveChanges,
                 bool bIgnoreErrors) override;

 private:
  std::shared_ptr<RL_CJob> m_oJob;
};
