#pragma once
// The XHTML page a browser pointed at the agent's call port receives: the logged-in agent's and
// its group's published properties (identifiers and status left out). Every value is escaped, so
// a record holding markup shows as text; only values starting with "http://" become links.

#include <string>

#include "service/Remotables.h"

namespace corvane::calls {

// The content type of the page.
inline constexpr const char* kInformationPageContentType = "text/html";

// The page as UTF-8 text; agent or groupe may be null (nobody logged in, no group loaded).
std::string BuildInformationPage(const service::TRemotableAgent* agent,
                                 const service::TRemotableGroupeAgent* groupe,
                                 const std::string& styleSheetUrl);

// The page's bytes in its declared encoding (iso-8859-1); characters beyond it become numeric
// character references.
std::string ToLatin1WithReferences(const std::string& utf8);

// Where the page imports its style sheet from: the style folder at the service root's host.
std::string StyleSheetUrl(const std::string& racineServeur);

}  // namespace corvane::calls
