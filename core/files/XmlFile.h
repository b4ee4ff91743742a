// XML documents read through the engine's file reader: the same name handling (case, backslashes,
// archives) as every other data file. The engine loads every XML file through here, never through the
// library's own file loader.
#pragma once

#include <tinyxml.h>

#include <string>

// Replaces the document's content by the parsed file: children dropped, error cleared, the document's
// value set to the file name. False when the file cannot be loaded (error TIXML_ERROR_OPENING_FILE),
// when it is empty (no error set), or when the parse sets the document's error. The text ends at the
// first zero byte of the file.
bool LoadXmlFile(TiXmlDocument& document, const std::string& fileName,
                 TiXmlEncoding encoding = TIXML_DEFAULT_ENCODING);
