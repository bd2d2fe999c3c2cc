// A collection of usage records in insertion order, keyed by EntryID.
#pragma once

#include <memory>
#include <string>

#include "engine/CTemplate.h"
#include "platform/vb/Collection.h"

class CTemplates {
 public:
  // Replaces the contents by copies of the other's records; null empties it.
  void CopyFrom(const CTemplates* other);
  void AddCopy(const CTemplate& record);
  // Adds the record itself under its EntryID; an EntryID already present raises 457.
  void Add(std::shared_ptr<CTemplate> record);
  std::shared_ptr<CTemplate> Find(const std::wstring& sEntryID) const;
  // By position from 1 or by EntryID; a missing record raises.
  std::shared_ptr<CTemplate> Item(int32_t position) const;
  std::shared_ptr<CTemplate> Item(const std::wstring& sEntryID) const;
  int32_t Count() const { return m_colItems.Count(); }
  void Remove(int32_t position);
  void Remove(const std::wstring& sEntryID);

  // NewEnum: loops over all records in collection order.
  auto begin() const { return m_colItems.begin(); }
  auto end() const { return m_colItems.end(); }

 private:
  vb::Collection<std::shared_ptr<CTemplate>> m_colItems;
};
