#pragma once

#include <QList>
#include <QString>

// One entry of a help file's table of contents: its caption, the page it opens (as written in
// the contents file, relative to the file's root, possibly with a "#fragment"; empty for a
// heading) and the entries nested under it.
struct HelpTopic {
    QString name;
    QString local;
    QList<HelpTopic> children;
};

// Nesting deeper than this is flattened into the deepest level, so that a hostile contents
// file cannot exhaust the stack of the code that walks the tree recursively.
inline constexpr int kMaxHelpContentsDepth = 64;

// Parses the sitemap HTML of a ".hhc" contents file:
//   <UL><LI><OBJECT type="text/sitemap"><param name="Name" value="..">
//   <param name="Local" value=".."></OBJECT><UL>..nested..</UL></UL>
// Tolerant as browsers are: any letter case, quoted or bare attribute values, missing </LI>,
// </OBJECT> or </UL>, comments, character entities. Objects of other types are ignored.
QList<HelpTopic> parseHelpContents(const QString& html);

// Replaces the character references of HTML text (&amp; &lt; &#20013; &#x4E2D; ...); unknown or
// malformed references stay as written.
QString decodeHtmlEntities(const QString& text);
