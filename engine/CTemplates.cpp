#include "engine/CTemplates.h"

void CTemplates::CopyFrom(const CTemplates* other) {
  m_colItems.Clear();
  if (!other) return;
  for (const auto& record : *other) AddCopy(*record);
}

void CTemplates::AddCopy(const CTemplate& record) {
  auto copy = std::make_shared<CTemplate>();
  copy->CopyFrom(record);
  Add(std::move(copy));
}

void CTemplates::Add(std::shared_ptr<CTemplate> record) {
  std::wstring key = record->sEntryID;
  m_colItems.Add(std::move(record), key);
}

std::shared_ptr<CTemplate> CTemplates::Find(const std::wstring& sEntryID) const {
  const auto* found = m_colItems.Find(sEntryID);
  return found ? *found : nullptr;
}

std::shared_ptr<CTemplate> CTemplates::Item(int32_t position) const {
  return m_colItems.Item(position);
}

std::shared_ptr<CTemplate> CTemplates::Item(const std::wstring& sEntryID) const {
  return m_colItems.Item(sEntryID);
}

void CTemplates::Remove(int32_t position) {
  m_colItems.Remove(position);
}

void CTemplates::Remove(const std::wstring& sEntryID) {
  m_colItems.Remove(sEntryID);
}
