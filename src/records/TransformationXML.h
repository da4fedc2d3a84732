#pragma once
// TTransformationXML: applies an XSLT 1.0 style sheet (a file, or a text held in memory) to an
// XML text and returns the result as UTF-8 text. Neither the document nor the style sheet may
// read or write other files or reach the network: libxslt's security preferences forbid it, and
// the parser loads no external entity or DTD.

#include <string>
#include <string_view>

namespace corvane::records {

enum class TSourceType { stFile, stData };

class TTransformationXML {
public:
  TSourceType SourceType = TSourceType::stFile;
  std::string FileNameXSLT;
  std::string DataXSLT;
  std::string ContentType;  // carried, not used

  // EExportError with the XML library's message when the document or the style sheet cannot be
  // read or parsed, or the transformation fails.
  std::string Transformer(std::string_view xmlText) const;
};

// Splits a text into lines (CR LF, CR or LF) and writes each followed by CR LF, in Windows-1252
// (characters it lacks become '?'), without byte-order mark. The file is replaced only once the
// whole text is written. EExportError when it cannot be.
void WriteAnsiLines(const std::string& fileName, std::string_view utf8Text);

}  // namespace corvane::records
