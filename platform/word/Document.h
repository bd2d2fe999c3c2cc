// What the Word substitute keeps of a document: paragraphs of text and inline pictures.
// Character formatting, tables and styles are not kept. Readers and writers for the file
// kinds the import and export meet: HTML (pictures by link, or written beside the file in
// "<name>_files"), RTF (pictures as \pict), plain text (ANSI, or UTF-8/UTF-16 with a
// byte-order mark). Word documents and templates are RTF documents under their own names.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace word {

struct Picture {
  std::wstring name;  // file name it came from ("image001.png")
  std::string bytes;  // empty while only linked
  std::wstring link;  // the file a linked picture shows; empty once embedded
  bool Embedded() const { return link.empty(); }
};

// One piece of a paragraph: text, or the picture of that index.
struct Inline {
  std::wstring text;
  int32_t picture = -1;
};

struct Content {
  std::vector<std::vector<Inline>> paragraphs;
  std::vector<Picture> pictures;

  void AddText(std::wstring_view text);
  void AddPicture(Picture picture);
  void NewParagraph();
  // The text, paragraphs joined by "\r\n", a picture as nothing.
  std::wstring Text() const;
};

// How files are reached: the Windows paths of the sandbox by default.
struct FileAccess {
  std::function<std::optional<std::string>(const std::wstring& path)> read;
  std::function<bool(const std::wstring& path, const std::string& bytes)> write;
  std::function<bool(const std::wstring& path)> makeFolder;
};
FileAccess SandboxFiles();

// `baseFolder` resolves relative picture links; a picture is linked to its file's full path.
Content ReadHtml(std::wstring_view html, const std::wstring& baseFolder);
Content ReadRtf(std::string_view rtf);
Content ReadText(std::string_view bytes);
// The character of the numeric character reference at the start of `text` ("&#65;", "&#x41;",
// a sign allowed) and the reference's length; U+FFFD for a number outside Unicode, zero, a
// surrogate or a non-character. Nothing when `text` begins with no such reference.
std::optional<std::pair<wchar_t, size_t>> NumericReference(std::wstring_view text);
// Decodes a file of HTML: UTF-8 when it carries a UTF-8 byte-order mark or says so in its
// charset, else the ANSI code page.
std::wstring DecodeHtmlBytes(std::string_view bytes);

std::string WriteRtf(const Content& content);
// ANSI when every character fits the code page, else UTF-8 with its byte-order mark.
std::string WriteText(const Content& content);
// Pictures go to `<folder>\<name>_files\imageNNN.ext` through `files` and are linked by
// their relative path ("/" between parts, blanks as "%20"). Characters outside ASCII, tabs and
// other control characters are numeric character references; a blank that a reader would fold
// or drop is "&nbsp;"; an empty paragraph is an empty <p>.
std::string WriteHtml(const Content& content, const std::wstring& folder,
                      const std::wstring& baseName, const FileAccess& files);

// "png", "jpg", "gif" or "bin" from the picture's first bytes.
std::wstring PictureExtension(const std::string& bytes);

}  // namespace word
