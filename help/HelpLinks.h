#pragma once

#include <QString>
#include <QUrl>
#include <optional>

// Pages inside a help file are addressed by URLs of this scheme ("chm:/sub/page.html#part"),
// so the browser resolves relative links against the current page like any hierarchical URL.
inline constexpr const char* kHelpScheme = "chm";

// An object path inside the help file in its canonical form: rooted at "/", forward slashes,
// "." and ".." folded (never above the root), no fragment.
QString normalizeHelpPath(const QString& path);

// The browser URL of an object path, with an optional fragment.
QUrl helpUrl(const QString& objectPath, const QString& fragment = {});

// The object path a URL points to inside the help file: help URLs, relative URLs and the
// "ms-its:file.chm::/page.html" / "mk:@MSITStore:file.chm::/page.html" forms of HTML Help.
// Nothing for URLs that point outside (http, mailto, ...).
std::optional<QString> helpPathOf(const QUrl& url);

// A case-insensitive key for matching contents entries to shown pages (the file's directory
// is case-insensitive too); the fragment is included when given.
QString helpTopicKey(const QString& objectPath, const QString& fragment = {});
