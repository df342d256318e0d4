#pragma once

#include <QString>

// The URL a link points to, made from URL text that may not be a valid URL
// (a DOI holding a space or "<", a title link built from odd data). Every
// byte of the text's UTF-8 that may not stand in a URL is percent-encoded,
// and so is a "%" that does not begin a percent-encoded byte. Text that is
// already a well-formed URL comes back unchanged, so the result is always
// plain ASCII holding no space, quote, backslash, brace or angle bracket.
QString encodedLinkUrl(const QString &urlText);

// The DOI as the path of its resolver URL: every character that may not
// stand unescaped in a URL path is percent-encoded as UTF-8, "%", "#", "?",
// space, quotes and angle brackets among them, so the resolver receives the
// whole DOI and not a DOI cut at a fragment or a query. "/" and the other
// characters a path allows stay.
QString encodedDoiPath(const QString &doi);
