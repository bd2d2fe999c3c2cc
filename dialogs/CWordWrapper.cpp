#include "dialogs/CWordWrapper.h"

#include "core/Main.h"
#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"

CWordWrapper::~CWordWrapper() {
  Done();
}

bool CWordWrapper::Create() {
  std::wstring step = L"CreateWrapper";
  bool result = false;
  if (!vb::Catch([&] {
        m_oWrapper = vb::CreateObject<word::WordWrapper>(L"WordWrapper.CWordWrapper");
        step = L"CreateWord";
        result = m_oWrapper->CreateWordApplication();
      })) {
    LogError(L"CWordWrapper::Create", std::nullopt, std::nullopt, step);
    return false;
  }
  return result;
}

std::shared_ptr<word::Application> CWordWrapper::WordApplication() {
  return TrapOr<std::shared_ptr<word::Application>>(L"CWordWrapper::WordApplication", nullptr,
                                                    [&]() -> std::shared_ptr<word::Application> {
                                                      if (!m_oWrapper) return nullptr;
                                                      return m_oWrapper->WordApplication();
                                                    });
}

void CWordWrapper::Done() {
  if (m_oWrapper) vb::Ignore([&] { m_oWrapper->QuitWordApplication(); });
  m_oWrapper.reset();
  vb::Err().Clear();
}

CWordWrapper::DocumentPtr CWordWrapper::DocumentNew(const std::wstring& sTemplatePath) {
  return TrapOr<DocumentPtr>(L"CWordWrapper::DocumentNew", nullptr, [&] {
    if (!m_oWrapper) vb::Raise(vb::kObjectVariableNotSet);
    return sTemplatePath.empty() ? m_oWrapper->DocumentNew()
                                 : m_oWrapper->DocumentNew(sTemplatePath);
  });
}

CWordWrapper::DocumentPtr CWordWrapper::DocumentOpen(const std::wstring& sPath,
                                                     word::Options colOptions) {
  return TrapOr<DocumentPtr>(L"CWordWrapper::DocumentOpen", nullptr, [&] {
    if (!m_oWrapper) vb::Raise(vb::kObjectVariableNotSet);
    std::wstring path = sPath;
    word::Options options = colOptions;
    return m_oWrapper->DocumentOpen(path, options);
  });
}

bool CWordWrapper::IsDocumentOpenned(const std::wstring& sPath) {
  // Opened for reading only, refusing every other program's access: this fails only while
  // another program has the file open.
  win32::HANDLE h = win32::CreateFileA(win32::ToAnsi(sPath).c_str(), win32::GENERIC_READ, 0,
                                       nullptr, win32::OPEN_EXISTING, 0, 0);
  if (h != win32::INVALID_HANDLE_VALUE) {
    win32::CloseHandle(h);
    return false;
  }
  return win32::GetLastError() == win32::ERROR_SHARING_VIOLATION;
}

void CWordWrapper::DocumentClose(DocumentPtr oDocument, word::Variant vArg1, word::Variant vArg2,
                                 word::Variant vArg3) {
  Trap(L"CWordWrapper::DocumentClose", [&] {
    if (!m_oWrapper) vb::Raise(vb::kObjectVariableNotSet);
    m_oWrapper->DocumentClose(oDocument, vArg1, vArg2, vArg3);
  });
}

bool CWordWrapper::DocumentUnlinkFields(const DocumentPtr& oDocument) {
  return Trap(L"CWordWrapper::DocumentUnlinkFields", [&] {
    if (!m_oWrapper) vb::Raise(vb::kObjectVariableNotSet);
    m_oWrapper->DocumentUnlinkFields(oDocument);
  });
}

bool CWordWrapper::DocumentSaveAs(const DocumentPtr& oDocument, const std::wstring& sFileName,
                                  word::Variant vFileFormat, word::Options colOptions) {
  return Trap(L"CWordWrapper::DocumentSaveAs", [&] {
    if (!m_oWrapper) vb::Raise(vb::kObjectVariableNotSet);
    word::Options options = colOptions;
    m_oWrapper->DocumentSaveAs(oDocument, sFileName, vFileFormat, options);
  });
}
