#pragma once
// The configuration store of our database engine stand-in: a tree of nodes addressed by paths
// ("\DRIVERS\PARADOX\INIT"), each section holding named values, kept as a text file (its format
// is in the README). Names and values are bytes in the system's ANSI code page; paths and names
// compare without regard to case (ASCII). Aliases are the sections "\DATABASES\<alias>\DB INFO".
// Sections and values are found through indexes, so that reading a configuration with thousands
// of aliases takes time in proportion to its size.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>

class TEngineCfg {
 public:
  struct Section {
    QByteArray path;  // normalised: "\DRIVERS\PARADOX\INIT"
    QList<QPair<QByteArray, QByteArray>> values;
    QHash<QByteArray, qsizetype> byName;  // upper-cased name -> position in values
  };

  // "\\DRIVERS\\PARADOX\\INIT", "DRIVERS\PARADOX\INIT\" and "\DRIVERS\PARADOX\INIT" are one path.
  static QByteArray NormalizePath(const QByteArray& path);

  // Reads the text of a configuration file. False (and the 1-based number of the first line that
  // could not be read in badLine) when the text is not a configuration.
  bool Parse(const QByteArray& text, int* badLine = nullptr);
  QByteArray Serialize() const;

  const Section* Find(const QByteArray& path) const;
  Section& Ensure(const QByteArray& path);
  // The names of the sections directly below a path, in file order.
  QList<QByteArray> ChildNames(const QByteArray& path) const;
  bool HasChildren(const QByteArray& path) const;
  // A value of a section; found tells whether it exists.
  QByteArray Value(const QByteArray& path, const QByteArray& name, bool* found = nullptr) const;
  // Sets a value (appended when new). False when the name or value cannot be stored in the file
  // (a name with "=" or a line break, a value with a line break, a path with "]").
  bool SetValue(const QByteArray& path, const QByteArray& name, const QByteArray& value);

  // The driver nodes a new engine has (\DRIVERS\PARADOX\INIT with NET DIR, and so on); missing
  // ones are added, existing values are kept.
  void AddDefaults();

  bool HasAlias(const QByteArray& name) const;
  // The alias's folder (its PATH), empty when it has none.
  QByteArray AliasPath(const QByteArray& name) const;
  QByteArray AliasDriver(const QByteArray& name) const;
  // Adds an alias with its driver type and "NAME:value;NAME:value" parameters. False when the
  // alias exists or the name or a parameter cannot be stored.
  bool AddAlias(const QByteArray& name, const QByteArray& driver, const QByteArray& params);
  QList<QByteArray> AliasNames() const;

  const QList<Section>& sections() const { return sections_; }

 private:
  QList<Section> sections_;
  QHash<QByteArray, qsizetype> byPath_;  // upper-cased path -> position in sections_
};
