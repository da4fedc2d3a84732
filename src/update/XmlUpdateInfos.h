#pragma once
// The update descriptor: a typed view over the parsed XML document (root "updates", children
// "update" and "delete"). Each item wraps its element and reads or writes it in place, so the
// engine's rewrites (substituted paths, removed entries, noupdate) live in the one document.
//
// Reading rules: booleans are "true"/"false" in any case or a number (0 false); an absent
// attribute or element reads as false or empty text and never raises an error.
//
// Threads: not shared; one thread at a time (the engine hands it from the check to the apply).

#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct _xmlDoc;
struct _xmlNode;

namespace corvane::update {

template <class Item>
class TXMLTList;

// Shared accessors of one element of the descriptor.
class TXMLTElement {
public:
  explicit TXMLTElement(_xmlNode* node) : node_(node) {}

protected:
  bool BoolAttribute(const char* name) const;
  void SetBoolAttribute(const char* name, bool value);
  std::string TextAttribute(const char* name) const;  // empty when absent
  void SetTextAttribute(const char* name, std::string_view value);
  std::string ChildText(const char* name) const;
  void SetChildText(const char* name, std::string_view value);

  template <class Item>
  friend class TXMLTList;
  _xmlNode* node_;
};

// An "update" element.
class TXMLTUpdateInfo : public TXMLTElement {
public:
  using TXMLTElement::TXMLTElement;

  bool Mandatory() const { return BoolAttribute("mandatory"); }
  void SetMandatory(bool v) { SetBoolAttribute("mandatory", v); }
  bool Restart() const { return BoolAttribute("restart"); }
  void SetRestart(bool v) { SetBoolAttribute("restart", v); }
  bool NoUpdate() const { return BoolAttribute("noupdate"); }
  void SetNoUpdate(bool v) { SetBoolAttribute("noupdate", v); }

  std::string Filename() const { return ChildText("filename"); }
  void SetFilename(std::string_view v) { SetChildText("filename", v); }
  std::string Description() const { return ChildText("description"); }
  void SetDescription(std::string_view v) { SetChildText("description", v); }
  std::string Url() const { return ChildText("url"); }
  void SetUrl(std::string_view v) { SetChildText("url", v); }
  std::string Version() const { return ChildText("version"); }
  void SetVersion(std::string_view v) { SetChildText("version", v); }
  std::string Crc32() const { return ChildText("crc32"); }
  void SetCrc32(std::string_view v) { SetChildText("crc32", v); }
  // Optional attribute: the SHA-256 of the new file in hexadecimal; when present, a download
  // must match it.
  std::string Sha256() const { return TextAttribute("sha256"); }
  void SetSha256(std::string_view v) { SetTextAttribute("sha256", v); }
};

// A "delete" element.
class TXMLTDeleteInfo : public TXMLTElement {
public:
  using TXMLTElement::TXMLTElement;

  bool Restart() const { return BoolAttribute("restart"); }
  void SetRestart(bool v) { SetBoolAttribute("restart", v); }
  std::string Filename() const { return ChildText("filename"); }
  void SetFilename(std::string_view v) { SetChildText("filename", v); }
  std::string Description() const { return ChildText("description"); }
  void SetDescription(std::string_view v) { SetChildText("description", v); }
};

// The elements of one kind in document order. Delete removes the element from the document too.
template <class Item>
class TXMLTList {
public:
  size_t Count() const { return items_.size(); }
  Item& operator[](size_t index) { return items_.at(index); }
  const Item& operator[](size_t index) const { return items_.at(index); }
  void Delete(size_t index);

private:
  friend class TXMLTUpdateInfos;
  std::vector<Item> items_;
};

using TXMLTUpdateInfoList = TXMLTList<TXMLTUpdateInfo>;
using TXMLTDeleteInfoList = TXMLTList<TXMLTDeleteInfo>;

class TXMLTUpdateInfos {
public:
  // Parses descriptor text: no network, no DTD (a document type declaration is refused, which also
  // rules out entity expansion), at most limits::kMaxDescriptorBytes and kMaxDescriptorEntries.
  // Throws EUpdateDescriptorError.
  static std::unique_ptr<TXMLTUpdateInfos> Parse(std::string_view xml);
  ~TXMLTUpdateInfos();
  TXMLTUpdateInfos(const TXMLTUpdateInfos&) = delete;
  TXMLTUpdateInfos& operator=(const TXMLTUpdateInfos&) = delete;

  TXMLTUpdateInfoList& Updates() { return updates_; }
  const TXMLTUpdateInfoList& Updates() const { return updates_; }
  TXMLTDeleteInfoList& Deletes() { return deletes_; }
  const TXMLTDeleteInfoList& Deletes() const { return deletes_; }

  // Set by the provider when the descriptor came over HTTPS: its files must then come over HTTPS
  // too, or the protection of the descriptor would not reach what it names.
  bool FilesOverHttpsOnly() const { return filesOverHttpsOnly_; }
  void SetFilesOverHttpsOnly(bool value) { filesOverHttpsOnly_ = value; }

private:
  explicit TXMLTUpdateInfos(_xmlDoc* doc);
  _xmlDoc* doc_;
  bool filesOverHttpsOnly_ = false;
  TXMLTUpdateInfoList updates_;
  TXMLTDeleteInfoList deletes_;
};

// Reads a boolean attribute text the descriptor's way (exposed for tests of the table of values).
bool ReadDescriptorBool(const char* text);

}  // namespace corvane::update
