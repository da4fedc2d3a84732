#include "records/SystemTimeZone.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "base/Format.h"
#include "base/Translate.h"
#include "records/RecordsErrors.h"

namespace corvane::records {
namespace {

constexpr double kUnixEpochDay = 25569.0;  // 1970-01-01 as a day number

[[noreturn]] void Invalid(std::string_view name, std::string_view why) {
  throw ETimeZoneError(base::Format(base::Tr("The time zone %s cannot be read: %s"), {name, why}));
}

class ByteReader {
public:
  ByteReader(std::string_view data, std::string_view name) : data_(data), name_(name) {}
  std::string_view take(size_t n) {
    if (n > data_.size() - pos_) Invalid(name_, "truncated file");
    std::string_view out = data_.substr(pos_, n);
    pos_ += n;
    return out;
  }
  uint32_t u32() { return static_cast<uint32_t>(be(take(4))); }
  int64_t i64() { return static_cast<int64_t>(be(take(8))); }
  int32_t i32() { return static_cast<int32_t>(static_cast<uint32_t>(be(take(4)))); }
  uint8_t u8() { return static_cast<uint8_t>(take(1)[0]); }
  std::string_view rest() const { return data_.substr(pos_); }

private:
  static uint64_t be(std::string_view b) {
    uint64_t v = 0;
    for (char c : b) v = (v << 8) | static_cast<uint8_t>(c);
    return v;
  }
  std::string_view data_;
  size_t pos_ = 0;
  std::string_view name_;
};

struct Counts {
  uint32_t isut, isstd, leap, time, type, chars;
};

Counts ReadHeader(ByteReader& r, std::string_view name, char& version) {
  if (r.take(4) != "TZif") Invalid(name, "not a TZif file");
  version = static_cast<char>(r.u8());
  r.take(15);
  Counts c{r.u32(), r.u32(), r.u32(), r.u32(), r.u32(), r.u32()};
  if (c.time > kMaxTzifTransitions || c.type == 0 || c.type > kMaxTzifTypes || c.chars > kMaxTzifChars ||
      c.leap > kMaxTzifLeaps || (c.isut != 0 && c.isut != c.type) || (c.isstd != 0 && c.isstd != c.type))
    Invalid(name, "counts out of range");
  return c;
}

// ---- POSIX TZ rules: std offset [dst [offset] [,start[/time],end[/time]]]

class PosixParser {
public:
  explicit PosixParser(std::string_view text) : s_(text) {}

  std::optional<ZoneRule> parse() {
    if (s_.empty() || s_.size() > kMaxTzFooterLength) return std::nullopt;
    if (!name()) return std::nullopt;
    auto stdOffset = offset(24);
    if (!stdOffset) return std::nullopt;
    ZoneRule rule;
    rule.Bias = *stdOffset / 60;
    if (pos_ == s_.size()) return rule;
    if (!name()) return std::nullopt;
    int dstOffset = *stdOffset - 3600;
    if (pos_ < s_.size() && s_[pos_] != ',') {
      auto o = offset(24);
      if (!o) return std::nullopt;
      dstOffset = *o;
    }
    rule.DaylightBias = dstOffset / 60 - rule.Bias;
    TransitionRule start{0, 3, 0, 2, 2, 0, 0, 0}, end{0, 11, 0, 1, 2, 0, 0, 0};
    if (pos_ < s_.size()) {
      if (!eat(',') || !transition(start) || !eat(',') || !transition(end) || pos_ != s_.size())
        return std::nullopt;
    }
    rule.DaylightDate = start;
    rule.StandardDate = end;
    return rule;
  }

private:
  bool eat(char c) {
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool name() {
    if (eat('<')) {
      size_t end = s_.find('>', pos_);
      if (end == std::string_view::npos || end == pos_) return false;
      pos_ = end + 1;
      return true;
    }
    size_t start = pos_;
    while (pos_ < s_.size() && std::isalpha(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    return pos_ - start >= 3;
  }
  std::optional<int> number(int max) {
    size_t start = pos_;
    int v = 0;
    while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_])) && pos_ - start < 3)
      v = v * 10 + (s_[pos_++] - '0');
    if (pos_ == start || v > max) return std::nullopt;
    return v;
  }
  // [+-]hh[:mm[:ss]] in seconds.
  std::optional<int> offset(int maxHours) {
    int sign = 1;
    if (eat('-')) sign = -1;
    else eat('+');
    auto h = number(maxHours);
    if (!h) return std::nullopt;
    int seconds = *h * 3600;
    if (eat(':')) {
      auto m = number(59);
      if (!m) return std::nullopt;
      seconds += *m * 60;
      if (eat(':')) {
        auto sec = number(59);
        if (!sec) return std::nullopt;
        seconds += *sec;
      }
    }
    return sign * seconds;
  }
  // Only the Mm.w.d form: the other forms (Jn, n) are not used by today's database.
  bool transition(TransitionRule& r) {
    if (!eat('M')) return false;
    auto m = number(12);
    if (!m || *m < 1 || !eat('.')) return false;
    auto w = number(5);
    if (!w || *w < 1 || !eat('.')) return false;
    auto d = number(6);
    if (!d) return false;
    r = {0, *m, *d, *w, 2, 0, 0, 0};
    if (eat('/')) {
      auto t = offset(167);
      if (!t) return false;
      r.hour = *t / 3600;
      r.minute = (*t % 3600) / 60;
      r.second = *t % 60;
    }
    return true;
  }

  std::string_view s_;
  size_t pos_ = 0;
};

bool IsPlainZoneName(std::string_view name) {
  if (name.empty() || name.size() > 255 || name.front() == '/') return false;
  for (char c : name)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '/' || c == '_' || c == '-' || c == '+' || c == '.'))
      return false;
  size_t pos = 0;
  while (pos <= name.size()) {
    size_t end = name.find('/', pos);
    if (end == std::string_view::npos) end = name.size();
    std::string_view part = name.substr(pos, end - pos);
    if (part.empty() || part == "." || part == "..") return false;
    pos = end + 1;
  }
  return true;
}

std::optional<std::string> ReadSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data;
  data.resize(kMaxTzifBytes + 1);
  in.read(data.data(), static_cast<std::streamsize>(data.size()));
  data.resize(static_cast<size_t>(in.gcount()));
  return data;
}

std::shared_ptr<const TimeZone> Utc() { return std::make_shared<RuleTimeZone>(ZoneRule{}); }

}  // namespace

std::shared_ptr<TzifTimeZone> TzifTimeZone::FromPosixRule(std::string_view text) {
  auto rule = PosixParser(text).parse();
  if (!rule) Invalid(text, "not a time-zone rule");
  std::shared_ptr<TzifTimeZone> zone(new TzifTimeZone());
  zone->name_ = std::string(text);
  zone->types_.push_back({-rule->Bias * 60, false});
  zone->footer_.emplace(*rule);
  return zone;
}

std::shared_ptr<TzifTimeZone> TzifTimeZone::FromBytes(std::string_view bytes, std::string name) {
  if (bytes.size() > kMaxTzifBytes) Invalid(name, "file too large");
  ByteReader r(bytes, name);
  char version = 0;
  Counts c = ReadHeader(r, name, version);
  std::shared_ptr<TzifTimeZone> zone(new TzifTimeZone());
  zone->name_ = std::move(name);
  int timeSize = 4;
  if (version >= '2') {
    // Skip the 32-bit block; the 64-bit one follows with its own header.
    r.take(size_t{c.time} * 5 + size_t{c.type} * 6 + c.chars + size_t{c.leap} * 8 + c.isstd + c.isut);
    c = ReadHeader(r, zone->name_, version);
    timeSize = 8;
  }
  zone->times_.reserve(c.time);
  for (uint32_t i = 0; i < c.time; ++i) {
    int64_t t = timeSize == 8 ? r.i64() : r.i32();
    if (!zone->times_.empty() && t <= zone->times_.back()) Invalid(zone->name_, "transitions out of order");
    zone->times_.push_back(t);
  }
  for (uint32_t i = 0; i < c.time; ++i) {
    uint8_t idx = r.u8();
    if (idx >= c.type) Invalid(zone->name_, "bad type index");
    zone->typeIndex_.push_back(idx);
  }
  for (uint32_t i = 0; i < c.type; ++i) {
    int32_t utoff = r.i32();
    uint8_t isdst = r.u8();
    r.u8();  // abbreviation index
    if (utoff < -26 * 3600 || utoff > 26 * 3600 || isdst > 1) Invalid(zone->name_, "bad local time type");
    zone->types_.push_back({utoff, isdst == 1});
  }
  r.take(c.chars + size_t{c.leap} * (timeSize + 4) + c.isstd + c.isut);
  if (version >= '2') {
    std::string_view rest = r.rest();
    if (rest.size() >= 2 && rest.front() == '\n') {
      size_t end = rest.find('\n', 1);
      if (end != std::string_view::npos) {
        if (auto rule = PosixParser(rest.substr(1, end - 1)).parse()) zone->footer_.emplace(*rule);
      }
    }
  }
  return zone;
}

int32_t TzifTimeZone::offsetAt(int64_t t) const {
  if (footer_ && (times_.empty() || t >= times_.back())) {
    const double v = static_cast<double>(t) / 86400.0 + kUnixEpochDay;
    return static_cast<int32_t>(std::llround((footer_->UtcToLocal(v) - v) * 86400.0));
  }
  auto it = std::upper_bound(times_.begin(), times_.end(), t);
  if (it == times_.begin()) return types_.front().utoff;
  return types_[typeIndex_[static_cast<size_t>(it - times_.begin() - 1)]].utoff;
}

TDateTime TzifTimeZone::UtcToLocal(TDateTime v) const {
  const int64_t t = static_cast<int64_t>(std::floor((v - kUnixEpochDay) * 86400.0 + 1e-4));
  return v + offsetAt(t) / 86400.0;
}

TDateTime TzifTimeZone::LocalToUtc(TDateTime p, RepeatedHour repeated, SkippedHour skipped) const {
  const double asUtc = (p - kUnixEpochDay) * 86400.0;
  const auto seconds = [](double s) { return static_cast<int64_t>(std::floor(s + 1e-4)); };
  const int32_t before = offsetAt(seconds(asUtc) - 86400);
  const int32_t candidates[] = {before, offsetAt(seconds(asUtc)), offsetAt(seconds(asUtc) + 86400)};
  bool any = false;
  double earliest = 0, latest = 0;
  for (int32_t o : candidates) {
    const double u = asUtc - o;
    if (offsetAt(seconds(u)) != o) continue;
    earliest = any ? std::min(earliest, u) : u;
    latest = any ? std::max(latest, u) : u;
    any = true;
  }
  double utc;
  if (!any) {
    if (skipped == SkippedHour::Zero) return 0.0;
    utc = asUtc - before;
  } else {
    // The repeated hour: its first occurrence is still summer time.
    utc = repeated == RepeatedHour::Summer ? earliest : latest;
  }
  return utc / 86400.0 + kUnixEpochDay;
}

std::shared_ptr<const TimeZone> LoadTimeZone(std::string_view name, std::string_view zoneDirectory) {
  if (!IsPlainZoneName(name)) Invalid(name, "not a time-zone name");
  std::string dir(zoneDirectory);
  if (dir.empty()) {
    const char* env = std::getenv("TZDIR");
    dir = env && *env ? env : "/usr/share/zoneinfo";
  }
  auto data = ReadSmallFile(dir + "/" + std::string(name));
  if (!data) Invalid(name, "no such zone");
  return TzifTimeZone::FromBytes(*data, std::string(name));
}

std::shared_ptr<const TimeZone> LoadSystemTimeZone() {
  try {
    const char* env = std::getenv("TZ");
    if (env) {
      std::string_view tz = env;
      if (!tz.empty() && tz.front() == ':') tz.remove_prefix(1);
      if (tz.empty()) return Utc();
      if (tz.front() == '/') {
        if (auto data = ReadSmallFile(std::string(tz))) return TzifTimeZone::FromBytes(*data, std::string(tz));
        return Utc();
      }
      if (IsPlainZoneName(tz)) {
        try {
          return LoadTimeZone(tz);
        } catch (const ETimeZoneError&) {
        }
      }
      return TzifTimeZone::FromPosixRule(tz);
    }
    if (auto data = ReadSmallFile("/etc/localtime")) return TzifTimeZone::FromBytes(*data, "localtime");
  } catch (const ETimeZoneError&) {
  }
  return Utc();
}

}  // namespace corvane::records
