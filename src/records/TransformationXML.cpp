#include "records/TransformationXML.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>

#include "base/Cp1252.h"
#include "base/Format.h"
#include "base/Translate.h"
#include "records/RecordsErrors.h"
#include "records/RecordsLimits.h"

namespace corvane::records {
namespace {

constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA;

// Collects the library's error messages while it lives instead of letting them reach stderr.
class ErrorCollector {
public:
  ErrorCollector() {
    xmlSetGenericErrorFunc(this, &ErrorCollector::Handler);
    xsltSetGenericErrorFunc(this, &ErrorCollector::Handler);
  }
  ~ErrorCollector() {
    xmlSetGenericErrorFunc(nullptr, nullptr);
    xsltSetGenericErrorFunc(nullptr, nullptr);
  }
  ErrorCollector(const ErrorCollector&) = delete;
  ErrorCollector& operator=(const ErrorCollector&) = delete;

  static void Handler(void* self, const char* format, ...) {
    auto* collector = static_cast<ErrorCollector*>(self);
    char buf[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    if (collector->text.size() < 4096) collector->text += buf;
  }
  std::string message(std::string_view fallback) const {
    std::string m = text;
    if (m.empty()) {
      if (const xmlError* e = xmlGetLastError(); e && e->message) m = e->message;
    }
    while (!m.empty() && (m.back() == '\n' || m.back() == ' ')) m.pop_back();
    return m.empty() ? std::string(fallback) : m;
  }
  std::string text;
};

xsltSecurityPrefsPtr ForbiddingPrefs() {
  xsltSecurityPrefsPtr prefs = xsltNewSecurityPrefs();
  for (xsltSecurityOption option : {XSLT_SECPREF_READ_FILE, XSLT_SECPREF_WRITE_FILE, XSLT_SECPREF_CREATE_DIRECTORY,
                                    XSLT_SECPREF_READ_NETWORK, XSLT_SECPREF_WRITE_NETWORK})
    xsltSetSecurityPrefs(prefs, option, xsltSecurityForbid);
  return prefs;
}

// Also the default, so that an xsl:import or xsl:include met while compiling cannot read files.
xsltSecurityPrefsPtr SharedPrefs() {
  static xsltSecurityPrefsPtr prefs = [] {
    xsltSecurityPrefsPtr p = ForbiddingPrefs();
    xsltSetDefaultSecurityPrefs(p);
    return p;
  }();
  return prefs;
}

struct DocFree {
  void operator()(xmlDocPtr d) const { xmlFreeDoc(d); }
};
struct StyleFree {
  void operator()(xsltStylesheetPtr s) const { xsltFreeStylesheet(s); }
};
struct ContextFree {
  void operator()(xsltTransformContextPtr c) const { xsltFreeTransformContext(c); }
};
using Doc = std::unique_ptr<xmlDoc, DocFree>;

[[noreturn]] void Fail(std::string_view what, const ErrorCollector& errors) {
  throw EExportError(std::string(what) + ": " + errors.message(base::Tr("unknown error")));
}

std::string ReadStyleSheetFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) throw EExportError(base::Format(base::Tr("The style sheet %s cannot be read."), {fileName}));
  std::string data(kMaxStyleSheetBytes + 1, '\0');
  in.read(data.data(), static_cast<std::streamsize>(data.size()));
  data.resize(static_cast<size_t>(in.gcount()));
  if (data.size() > kMaxStyleSheetBytes)
    throw EExportError(base::Format(base::Tr("The style sheet %s is too large."), {fileName}));
  return data;
}

bool IsEncoding(const xmlChar* encoding, std::initializer_list<std::string_view> names) {
  if (!encoding) return false;
  std::string e(reinterpret_cast<const char*>(encoding));
  for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (std::string_view n : names)
    if (e == n) return true;
  return false;
}

}  // namespace

std::string TTransformationXML::Transformer(std::string_view xmlText) const {
  static std::once_flag initOnce;
  std::call_once(initOnce, [] {
    xmlInitParser();
    SharedPrefs();
  });
  ErrorCollector errors;

  const std::string sheetText = SourceType == TSourceType::stFile ? ReadStyleSheetFile(FileNameXSLT) : DataXSLT;
  const std::string sheetName = SourceType == TSourceType::stFile ? FileNameXSLT : std::string("(data)");
  Doc sheetDoc(xmlReadMemory(sheetText.data(), static_cast<int>(sheetText.size()), sheetName.c_str(), nullptr,
                             kParseOptions));
  if (!sheetDoc) Fail(sheetName, errors);
  // The compiled style sheet takes the document over, also when compiling fails.
  std::unique_ptr<xsltStylesheet, StyleFree> style(xsltParseStylesheetDoc(sheetDoc.get()));
  if (!style) {
    Fail(sheetName, errors);
  }
  sheetDoc.release();
  if (style->errors > 0) Fail(sheetName, errors);

  if (xmlText.size() > static_cast<size_t>(INT32_MAX)) throw EExportError(base::Tr("The export document is too large."));
  Doc doc(xmlReadMemory(xmlText.data(), static_cast<int>(xmlText.size()), "export.xml", nullptr, kParseOptions));
  if (!doc) Fail("export.xml", errors);

  std::unique_ptr<xsltTransformContext, ContextFree> ctxt(xsltNewTransformContext(style.get(), doc.get()));
  if (!ctxt) Fail(sheetName, errors);
  xsltSetCtxtSecurityPrefs(SharedPrefs(), ctxt.get());
  Doc result(xsltApplyStylesheetUser(style.get(), doc.get(), nullptr, nullptr, nullptr, ctxt.get()));
  if (!result || ctxt->state == XSLT_STATE_ERROR || ctxt->state == XSLT_STATE_STOPPED) Fail(sheetName, errors);

  xmlChar* out = nullptr;
  int length = 0;
  if (xsltSaveResultToString(&out, &length, result.get(), style.get()) != 0) Fail(sheetName, errors);
  std::string text = out ? std::string(reinterpret_cast<const char*>(out), static_cast<size_t>(length)) : std::string();
  xmlFree(out);
  if (!style->encoding || IsEncoding(style->encoding, {"utf-8", "utf8"})) return text;
  if (IsEncoding(style->encoding, {"windows-1252", "cp1252", "iso-8859-1", "latin1"}))
    return base::Cp1252ToUtf8(text);
  throw EExportError(base::Format(base::Tr("The style sheet %s asks for an unsupported encoding."), {sheetName}));
}

void WriteAnsiLines(const std::string& fileName, std::string_view text) {
  std::string lines;
  lines.reserve(text.size() + text.size() / 16);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines.append(text.substr(start, end - start));
    lines += "\r\n";
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  const std::string bytes = base::Utf8ToCp1252(lines);
  const std::string temporary = fileName + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      throw EExportError(base::Format(base::Tr("The file %s cannot be written."), {fileName}));
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, fileName, ec);
  if (ec) {
    std::filesystem::remove(temporary, ec);
    throw EExportError(base::Format(base::Tr("The file %s cannot be written."), {fileName}));
  }
}

}  // namespace corvane::records
