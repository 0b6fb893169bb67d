#include "EngineCfg.h"

namespace {

bool SameName(const QByteArray& a, const QByteArray& b) { return qstricmp(a, b) == 0; }

bool Storable(const QByteArray& s) { return !s.contains('\n') && !s.contains('\r'); }

const char kAliasRoot[] = "\\DATABASES";
const char kAliasInfo[] = "DB INFO";

QByteArray AliasSection(const QByteArray& name) {
  return QByteArray(kAliasRoot) + '\\' + name + '\\' + kAliasInfo;
}

}  // namespace

QByteArray TEngineCfg::NormalizePath(const QByteArray& path) {
  QByteArray out;
  for (const QByteArray& part : path.split('\\')) {
    QByteArray p = part.trimmed();
    if (!p.isEmpty()) out += '\\' + p;
  }
  return out.isEmpty() ? QByteArray("\\") : out;
}

bool TEngineCfg::Parse(const QByteArray& text, int* badLine) {
  sections_.clear();
  Section* current = nullptr;
  int number = 0;
  for (QByteArray line : text.split('\n')) {
    ++number;
    if (line.endsWith('\r')) line.chop(1);
    QByteArray trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(';')) continue;
    auto fail = [&] {
      if (badLine) *badLine = number;
      sections_.clear();
      return false;
    };
    if (trimmed.startsWith('[')) {
      if (!trimmed.endsWith(']')) return fail();
      current = &Ensure(trimmed.mid(1, trimmed.size() - 2));
      continue;
    }
    int eq = line.indexOf('=');
    if (eq <= 0 || !current) return fail();
    QByteArray name = line.left(eq).trimmed();
    if (name.isEmpty()) return fail();
    SetValue(current->path, name, line.mid(eq + 1));
  }
  return true;
}

QByteArray TEngineCfg::Serialize() const {
  QByteArray out = "; Database engine configuration (ZarEDERAD engine stand-in)\r\n";
  for (const Section& s : sections_) {
    out += "\r\n[" + s.path + "]\r\n";
    for (const auto& [name, value] : s.values) out += name + '=' + value + "\r\n";
  }
  return out;
}

const TEngineCfg::Section* TEngineCfg::Find(const QByteArray& path) const {
  QByteArray norm = NormalizePath(path);
  for (const Section& s : sections_)
    if (SameName(s.path, norm)) return &s;
  return nullptr;
}

TEngineCfg::Section& TEngineCfg::Ensure(const QByteArray& path) {
  if (const Section* s = Find(path)) return const_cast<Section&>(*s);
  sections_.append(Section{NormalizePath(path), {}});
  return sections_.last();
}

QList<QByteArray> TEngineCfg::ChildNames(const QByteArray& path) const {
  QByteArray prefix = NormalizePath(path);
  if (prefix != "\\") prefix += '\\';
  QList<QByteArray> names;
  for (const Section& s : sections_) {
    if (s.path.size() <= prefix.size() || qstrnicmp(s.path, prefix, prefix.size()) != 0) continue;
    QByteArray child = s.path.mid(prefix.size());
    child = child.left(child.indexOf('\\') < 0 ? child.size() : child.indexOf('\\'));
    bool seen = false;
    for (const QByteArray& n : names) seen = seen || SameName(n, child);
    if (!seen) names << child;
  }
  return names;
}

bool TEngineCfg::HasChildren(const QByteArray& path) const { return !ChildNames(path).isEmpty(); }

QByteArray TEngineCfg::Value(const QByteArray& path, const QByteArray& name, bool* found) const {
  if (found) *found = false;
  const Section* s = Find(path);
  if (!s) return {};
  for (const auto& [n, v] : s->values)
    if (SameName(n, name)) {
      if (found) *found = true;
      return v;
    }
  return {};
}

bool TEngineCfg::SetValue(const QByteArray& path, const QByteArray& name, const QByteArray& value) {
  QByteArray n = name.trimmed();
  if (n.isEmpty() || n.contains('=') || !Storable(n) || !Storable(value) || path.contains(']') ||
      !Storable(path))
    return false;
  Section& s = Ensure(path);
  for (auto& [old, v] : s.values)
    if (SameName(old, n)) {
      v = value;
      return true;
    }
  s.values.append({n, value});
  return true;
}

void TEngineCfg::AddDefaults() {
  static const char* const kParadox[][2] = {
      {"VERSION", "4.0"},      {"TYPE", "FILE"},           {"NET DIR", ""},
      {"LANGDRIVER", "ascii"}, {"LOCAL SHARE", "FALSE"},   {"BLOCK SIZE", "2048"},
      {"FILL FACTOR", "95"},   {"LEVEL", "4"},             {"STRICTINTEGRTY", "TRUE"},
  };
  for (const auto& [name, value] : kParadox) {
    bool found = false;
    Value("\\DRIVERS\\PARADOX\\INIT", name, &found);
    if (!found) SetValue("\\DRIVERS\\PARADOX\\INIT", name, value);
  }
  bool found = false;
  Value("\\SYSTEM\\INIT", "VERSION", &found);
  if (!found) SetValue("\\SYSTEM\\INIT", "VERSION", "4.0");
}

bool TEngineCfg::HasAlias(const QByteArray& name) const {
  return !name.isEmpty() && Find(AliasSection(name)) != nullptr;
}

QByteArray TEngineCfg::AliasPath(const QByteArray& name) const {
  return Value(AliasSection(name), "PATH");
}

QByteArray TEngineCfg::AliasDriver(const QByteArray& name) const {
  return Value(AliasSection(name), "TYPE");
}

bool TEngineCfg::AddAlias(const QByteArray& name, const QByteArray& driver,
                          const QByteArray& params) {
  QByteArray n = name.trimmed();
  if (n.isEmpty() || n.contains('\\') || n.contains(']') || !Storable(n) || HasAlias(n))
    return false;
  QList<QPair<QByteArray, QByteArray>> values{{"TYPE", driver.trimmed()}};
  for (const QByteArray& param : params.split(';')) {
    if (param.trimmed().isEmpty()) continue;
    int colon = param.indexOf(':');
    if (colon <= 0) return false;
    QByteArray key = param.left(colon).trimmed(), value = param.mid(colon + 1);
    if (key.contains('=') || !Storable(key) || !Storable(value)) return false;
    values.append({key.toUpper(), value});
  }
  for (const auto& [key, value] : values) SetValue(AliasSection(n), key, value);
  return true;
}

QList<QByteArray> TEngineCfg::AliasNames() const { return ChildNames(kAliasRoot); }
