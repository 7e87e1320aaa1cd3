#pragma once
// Looks inside a PDF file with poppler's tools (run without a shell, their
// stderr dropped unless asked for) and with a small reader of content streams.

#include <map>
#include <string>
#include <vector>

#include "support/pdf_ink.h"

namespace pdfinspect {

struct ToolRun {
    int status = -1;  // exit status; -1 when the program could not be run
    std::string out;  // its standard output
};
// withErrors: the program's stderr goes into out as well.
ToolRun runTool(const std::vector<std::string>& argv, bool withErrors = false);

// True when poppler-utils is installed.
bool toolsPresent();

// pdfinfo's "Key: value" lines.
std::map<std::string, std::string> info(const std::string& pdf);

struct FontRow {
    std::string name, type, encoding;
    bool embedded = false, subset = false, unicode = false;
};
std::vector<FontRow> fonts(const std::string& pdf);

// pdftotext's text of one page (from 1), of the whole document for page 0.
std::string text(const std::string& pdf, int page = 0);

// pdftotext -bbox: every word with its box in points from the top-left corner.
struct Word {
    std::string text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};
std::vector<Word> words(const std::string& pdf, int page = 0);

// pdfimages -list: one row per image or soft mask.
struct ImageRow {
    int page = 0;
    std::string type;  // "image", "smask"
    int width = 0, height = 0;
    std::string colour;   // "rgb", "gray"
    std::string encoding; // "jpeg", "image" (deflated or plain)
    int object = 0;       // the image's object number
    int ratioPercent = 0; // stored bytes against raw bytes
};
std::vector<ImageRow> images(const std::string& pdf);

// A page (from 1) rendered at 72 dpi in grey: one pixel per point.
bool render(const std::string& pdf, Pgm& out, int page = 1);

// The content stream of a page (from 1), inflated when deflated; empty when
// not found.
std::string pageContent(const std::string& pdf, int page = 1);

// One operator of a content stream with its operands: numbers, and names or
// strings as written.
struct ContentOp {
    std::string op;
    std::vector<double> numbers;
    std::vector<std::string> others;
};
std::vector<ContentOp> contentOps(const std::string& content);

}  // namespace pdfinspect
