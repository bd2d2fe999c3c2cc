#include "engine/CPersonalizationJob.h"

#include "personalization/RL_CJob.h"
#include "personalization/RL_CLib.h"
#include "personalization/RL_mMain.h"

bool CPersonalizationJob::HasReplaces(const std::wstring& sEntryID, const std::wstring& StoreID) {
  return m_oJob->HasReplaces(sEntryID, StoreID);
}

bool CPersonalizationJob::LoadReplaceValues(const std::wstring& sEntryID,
                                            const std::wstring& StoreID, bool bWndOnTop,
                                            bool bSilent, bool bIgnoreErrors) {
  return m_oJob->LoadReplaceValues(sEntryID, StoreID, bWndOnTop, bSilent, bIgnoreErrors);
}

bool CPersonalizationJob::DoReplace(const std::wstring& sEntryID, bool bLeaveEmptyReplacements,
                                    bool& bWasEmptyProp, const std::wstring& StoreID,
                                    int32_t ForceBodyFormat, bool bSaveChanges,
                                    bool bIgnoreErrors) {
  return m_oJob->DoReplace(sEntryID, bLeaveEmptyReplacements, bWasEmptyProp, StoreID,
                           ForceBodyFormat, bSaveChanges, bIgnoreErrors);
}

namespace mTanvelo {

JobPtr CreateLibraryJob() {
  if (!g_oLib) return nullptr;
  auto job = g_oLib->CreateJob();
  return job ? std::make_shared<CPersonalizationJob>(std::move(job)) : nullptr;
}

}  // namespace mTanvelo
