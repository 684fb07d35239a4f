// The countdown's lettering: engraved figures, the words "day" and "days"
// and the plaque's word in the other languages, drawn as stroked paths so
// that no font is involved. Engraving on
// brass: a dark wax-filled groove with a bright lip below it where the
// groove's far wall catches the light.

#include <cmath>
#include <string>
#include <vector>
#include <functional>
#include <stdexcept>

#include "paint.h"
#include "pictures.h"

namespace artgen {

namespace {

constexpr double kStroke = 2.3;
constexpr double kInkTop = 2.0;      // top of a figure or ascender
constexpr double kXHeight = 6.6;     // top of the lowercase letters
constexpr double kBaseline = 16.3;   // bottom of figures and letters
constexpr double kDescender = 19.4;  // bottom of the y's tail

// Maps a glyph's unit square (u right, v down) onto its stroke centreline box.
struct Box {
  double X0, Y0, X1, Y1;
  double X(double u) const { return X0 + (X1 - X0) * u; }
  double Y(double v) const { return Y0 + (Y1 - Y0) * v; }
};

class Pen {
 public:
  Pen(cairo_t* cr, Box box) : cr_(cr), box_(box) {}
  void Move(double u, double v) { cairo_move_to(cr_, box_.X(u), box_.Y(v)); }
  void Line(double u, double v) { cairo_line_to(cr_, box_.X(u), box_.Y(v)); }
  void Curve(double u1, double v1, double u2, double v2, double u3, double v3) {
    cairo_curve_to(cr_, box_.X(u1), box_.Y(v1), box_.X(u2), box_.Y(v2), box_.X(u3), box_.Y(v3));
  }
  void Ellipse(double u, double v, double ru, double rv) {
    EllipsePath(cr_, box_.X(u), box_.Y(v), ru * (box_.X1 - box_.X0), rv * (box_.Y1 - box_.Y0));
  }

 private:
  cairo_t* cr_;
  Box box_;
};

void DigitPath(Pen& p, int digit) {
  switch (digit) {
    case 0:
      p.Ellipse(0.5, 0.5, 0.5, 0.5);
      break;
    case 1:
      p.Move(0.05, 0.24);
      p.Curve(0.35, 0.16, 0.55, 0.08, 0.68, 0.0);
      p.Line(0.68, 1.0);
      break;
    case 2:
      p.Move(0.04, 0.24);
      p.Curve(0.12, 0.06, 0.30, 0.0, 0.50, 0.0);
      p.Curve(0.78, 0.0, 0.96, 0.13, 0.96, 0.31);
      p.Curve(0.96, 0.55, 0.55, 0.70, 0.02, 1.0);
      p.Line(1.0, 1.0);
      break;
    case 3:
      p.Move(0.06, 0.14);
      p.Curve(0.18, 0.03, 0.34, 0.0, 0.50, 0.0);
      p.Curve(0.76, 0.0, 0.92, 0.11, 0.92, 0.25);
      p.Curve(0.92, 0.39, 0.76, 0.46, 0.42, 0.46);
      p.Curve(0.80, 0.46, 1.0, 0.56, 1.0, 0.72);
      p.Curve(1.0, 0.90, 0.80, 1.0, 0.50, 1.0);
      p.Curve(0.30, 1.0, 0.12, 0.95, 0.0, 0.84);
      break;
    case 4:
      p.Move(0.76, 1.0);
      p.Line(0.76, 0.0);
      p.Line(0.0, 0.68);
      p.Line(1.0, 0.68);
      break;
    case 5:
      p.Move(0.92, 0.0);
      p.Line(0.20, 0.0);
      p.Line(0.12, 0.45);
      p.Curve(0.24, 0.39, 0.38, 0.36, 0.52, 0.36);
      p.Curve(0.82, 0.36, 1.0, 0.50, 1.0, 0.68);
      p.Curve(1.0, 0.88, 0.80, 1.0, 0.50, 1.0);
      p.Curve(0.30, 1.0, 0.12, 0.95, 0.0, 0.84);
      break;
    case 6:
      p.Move(0.90, 0.08);
      p.Curve(0.80, 0.02, 0.68, 0.0, 0.56, 0.0);
      p.Curve(0.20, 0.0, 0.0, 0.30, 0.0, 0.66);
      p.Ellipse(0.5, 0.67, 0.5, 0.33);
      break;
    case 7:
      p.Move(0.0, 0.0);
      p.Line(1.0, 0.0);
      p.Curve(0.72, 0.28, 0.46, 0.62, 0.38, 1.0);
      break;
    case 8:
      p.Ellipse(0.5, 0.245, 0.41, 0.245);
      p.Ellipse(0.5, 0.72, 0.5, 0.28);
      break;
    case 9:
      p.Move(0.10, 0.92);
      p.Curve(0.20, 0.98, 0.32, 1.0, 0.44, 1.0);
      p.Curve(0.80, 1.0, 1.0, 0.70, 1.0, 0.34);
      p.Ellipse(0.5, 0.33, 0.5, 0.33);
      break;
    default:
      throw std::invalid_argument("not a digit");
  }
}

// Strokes the path build() makes three times: lip, shade and groove.
void Engrave(cairo_t* cr, const std::function<void()>& build) {
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_width(cr, kStroke);
  // Bright lip below and right of the groove.
  cairo_save(cr);
  cairo_translate(cr, 0.55, 0.75);
  cairo_new_path(cr);
  build();
  cairo_restore(cr);
  SetColour(cr, Hex(0xfff3c4), 0.85);
  cairo_stroke(cr);
  // The groove itself, darkest at its upper wall.
  cairo_new_path(cr);
  build();
  SetLinear(cr, 0, kInkTop, 0, kBaseline + 1,
            {{0, Hex(0x1c0f05)}, {0.5, Hex(0x2e1a0a)}, {1, Hex(0x22130a)}});
  cairo_stroke(cr);
}

}  // namespace

Image DrawDigit(int digit, int scale) {
  if (digit < 0 || digit > 9) throw std::invalid_argument("not a digit");
  const int width = kDigitWidths[digit];
  Canvas canvas(width, kDigitHeight, scale);
  cairo_t* cr = canvas.Cr();
  // Side bearings of two pixels: each figure overlaps its neighbour's box
  // by two, which leaves a clear two-pixel gap between figures.
  const double h = kStroke / 2;
  const Box box{2.0 + h, kInkTop + h, width - 3.0 - h, kBaseline - h};
  Engrave(cr, [&] {
    Pen pen(cr, box);
    DigitPath(pen, digit);
  });
  return canvas.ToImage();
}

Image DrawDayLabel(bool plural, int scale) {
  const int width = plural ? kDaysLabelWidth : kDayLabelWidth;
  Canvas canvas(width, kDigitHeight, scale);
  cairo_t* cr = canvas.Cr();
  const double h = kStroke / 2;
  const double letter = 9.6;  // outer width of d, a and y
  const double gap = 3.0;
  auto boxAt = [&](double left, double w, double top, double bottom) {
    return Box{left + h, top + h, left + w - h, bottom - h};
  };
  Engrave(cr, [&] {
    double x = 2.0;
    // d: round bowl and a full-height stem.
    {
      Pen p(cr, boxAt(x, letter, kXHeight, kBaseline));
      p.Ellipse(0.44, 0.5, 0.44, 0.5);
      Pen stem(cr, boxAt(x, letter, kInkTop, kBaseline));
      stem.Move(1.0, 0.0);
      stem.Line(1.0, 1.0);
    }
    x += letter + gap;
    // a: the same bowl with a stem of x-height.
    {
      Pen p(cr, boxAt(x, letter, kXHeight, kBaseline));
      p.Ellipse(0.44, 0.5, 0.44, 0.5);
      p.Move(1.0, 0.0);
      p.Line(1.0, 1.0);
    }
    x += letter + gap;
    // y: two arms meeting at the baseline, the right one running on into
    // the tail.
    {
      Pen p(cr, boxAt(x, letter, kXHeight, kDescender));
      const double base = (kBaseline - h - (kXHeight + h)) / (kDescender - kXHeight - kStroke);
      p.Move(0.0, 0.0);
      p.Line(0.5, base);
      p.Move(1.0, 0.0);
      p.Line(0.36, 0.9);
      p.Curve(0.30, 1.0, 0.18, 1.0, 0.04, 0.97);
    }
    x += letter + gap;
    if (plural) {
      Pen p(cr, boxAt(x, 8.0, kXHeight, kBaseline));
      p.Move(0.95, 0.12);
      p.Curve(0.80, 0.0, 0.62, 0.0, 0.48, 0.0);
      p.Curve(0.20, 0.0, 0.04, 0.10, 0.04, 0.26);
      p.Curve(0.04, 0.52, 0.96, 0.44, 0.96, 0.74);
      p.Curve(0.96, 0.92, 0.78, 1.0, 0.52, 1.0);
      p.Curve(0.36, 1.0, 0.16, 0.97, 0.02, 0.86);
    }
  });
  return canvas.ToImage();
}

namespace {

// One letter of the plaque's other words: its outer width and its strokes.
// Strokes get the letter's left edge; Pen boxes come from the letter's
// bands (x-height, ascender, descender) as in "day".
struct Letter {
  char32_t Code;
  double Width;
  void (*Strokes)(cairo_t* cr, double left, double width);
};

constexpr double kHalf = kStroke / 2;
// Where the baseline falls in a box from x-height to descender.
constexpr double kBaseInTail = (kBaseline - kHalf - (kXHeight + kHalf)) / (kDescender - kXHeight - kStroke);

Pen Band(cairo_t* cr, double left, double width, double top, double bottom) {
  return Pen(cr, Box{left + kHalf, top + kHalf, left + width - kHalf, bottom - kHalf});
}
Pen Small(cairo_t* cr, double left, double width) { return Band(cr, left, width, kXHeight, kBaseline); }
Pen Tall(cairo_t* cr, double left, double width) { return Band(cr, left, width, kInkTop, kBaseline); }
Pen Tail(cairo_t* cr, double left, double width) { return Band(cr, left, width, kXHeight, kDescender); }

// A round dot, an acute and a breve above a small letter centred at cx.
void Dot(cairo_t* cr, double cx) {
  cairo_move_to(cr, cx, 3.4);
  cairo_line_to(cr, cx, 3.5);
}
void Acute(cairo_t* cr, double cx) {
  cairo_move_to(cr, cx - 1.0, 4.6);
  cairo_line_to(cr, cx + 1.6, 1.8);
}
void Breve(cairo_t* cr, double cx) {
  cairo_move_to(cr, cx - 2.4, 2.0);
  cairo_curve_to(cr, cx - 1.8, 4.4, cx + 1.8, 4.4, cx + 2.4, 2.0);
}

void BowlAndStem(cairo_t* cr, double l, double w, double stemTop) {
  Pen bowl = Small(cr, l, w);
  bowl.Ellipse(0.44, 0.5, 0.44, 0.5);
  Pen stem = Band(cr, l, w, stemTop, kBaseline);
  stem.Move(1.0, 0.0);
  stem.Line(1.0, 1.0);
}
void LetterA(cairo_t* cr, double l, double w) { BowlAndStem(cr, l, w, kXHeight); }
void LetterD(cairo_t* cr, double l, double w) { BowlAndStem(cr, l, w, kInkTop); }
void LetterE(cairo_t* cr, double l, double w) {
  Pen p = Small(cr, l, w);
  p.Move(0.02, 0.5);
  p.Line(1.0, 0.5);
  p.Curve(1.0, 0.2, 0.78, 0.0, 0.5, 0.0);
  p.Curve(0.2, 0.0, 0.0, 0.22, 0.0, 0.5);
  p.Curve(0.0, 0.8, 0.22, 1.0, 0.52, 1.0);
  p.Curve(0.7, 1.0, 0.86, 0.95, 0.96, 0.84);
}
void LetterG(cairo_t* cr, double l, double w) {
  Pen bowl = Small(cr, l, w);
  bowl.Ellipse(0.44, 0.5, 0.44, 0.5);
  Pen p = Tail(cr, l, w);
  p.Move(1.0, 0.0);
  p.Line(1.0, 0.8);
  p.Curve(1.0, 0.98, 0.8, 1.0, 0.5, 1.0);
  p.Curve(0.3, 1.0, 0.14, 0.97, 0.04, 0.9);
}
void Stem(cairo_t* cr, double l, double w) {
  Pen p = Small(cr, l, w);
  p.Move(0.5, 0.0);
  p.Line(0.5, 1.0);
}
void LetterI(cairo_t* cr, double l, double w) {
  Stem(cr, l, w);
  Dot(cr, l + w / 2);
}
void LetterIAcute(cairo_t* cr, double l, double w) {
  Stem(cr, l, w);
  Acute(cr, l + w / 2);
}
void LetterJ(cairo_t* cr, double l, double w) {
  Pen p = Tail(cr, l, w);
  p.Move(1.0, 0.0);
  p.Line(1.0, 0.82);
  p.Curve(1.0, 1.0, 0.5, 1.0, 0.0, 0.96);
  Dot(cr, l + w - kHalf);
}
void LetterN(cairo_t* cr, double l, double w) {
  Pen p = Small(cr, l, w);
  p.Move(0.0, 0.0);
  p.Line(0.0, 1.0);
  p.Move(0.0, 0.45);
  p.Curve(0.1, 0.12, 0.3, 0.0, 0.52, 0.0);
  p.Curve(0.82, 0.0, 1.0, 0.16, 1.0, 0.45);
  p.Line(1.0, 1.0);
}
void LetterNAcute(cairo_t* cr, double l, double w) {
  LetterN(cr, l, w);
  Acute(cr, l + w / 2);
}
void LetterO(cairo_t* cr, double l, double w) { Small(cr, l, w).Ellipse(0.5, 0.5, 0.5, 0.5); }
void LetterR(cairo_t* cr, double l, double w) {
  Pen p = Small(cr, l, w);
  p.Move(0.0, 0.0);
  p.Line(0.0, 1.0);
  p.Move(0.0, 0.5);
  p.Curve(0.1, 0.15, 0.4, 0.0, 0.75, 0.0);
  p.Line(1.0, 0.04);
}
void LetterS(cairo_t* cr, double l, double w) {
  Pen p = Small(cr, l, w);
  p.Move(0.95, 0.12);
  p.Curve(0.80, 0.0, 0.62, 0.0, 0.48, 0.0);
  p.Curve(0.20, 0.0, 0.04, 0.10, 0.04, 0.26);
  p.Curve(0.04, 0.52, 0.96, 0.44, 0.96, 0.74);
  p.Curve(0.96, 0.92, 0.78, 1.0, 0.52, 1.0);
  p.Curve(0.36, 1.0, 0.16, 0.97, 0.02, 0.86);
}
void LetterU(cairo_t* cr, double l, double w) {
  Pen p = Small(cr, l, w);
  p.Move(0.0, 0.0);
  p.Line(0.0, 0.55);
  p.Curve(0.0, 0.84, 0.2, 1.0, 0.48, 1.0);
  p.Curve(0.8, 1.0, 1.0, 0.8, 1.0, 0.5);
  p.Move(1.0, 0.0);
  p.Line(1.0, 1.0);
}
void LetterY(cairo_t* cr, double l, double w) {
  Pen p = Tail(cr, l, w);
  p.Move(0.0, 0.0);
  p.Line(0.5, kBaseInTail);
  p.Move(1.0, 0.0);
  p.Line(0.36, 0.9);
  p.Curve(0.30, 1.0, 0.18, 1.0, 0.04, 0.97);
}
void LetterZ(cairo_t* cr, double l, double w) {
  Pen p = Small(cr, l, w);
  p.Move(0.02, 0.0);
  p.Line(1.0, 0.0);
  p.Line(0.0, 1.0);
  p.Line(1.0, 1.0);
}
void CapitalT(cairo_t* cr, double l, double w) {
  Pen p = Tall(cr, l, w);
  p.Move(0.0, 0.0);
  p.Line(1.0, 0.0);
  p.Move(0.5, 0.0);
  p.Line(0.5, 1.0);
}
// Cyrillic: в, д, и with its breve, н, ь, я.
void CyrillicVe(cairo_t* cr, double l, double w) {
  Pen p = Small(cr, l, w);
  p.Move(0.0, 0.0);
  p.Line(0.0, 1.0);
  p.Line(0.55, 1.0);
  p.Curve(0.85, 1.0, 1.0, 0.88, 1.0, 0.73);
  p.Curve(1.0, 0.57, 0.85, 0.47, 0.55, 0.47);
  p.Line(0.0, 0.47);
  p.Move(0.0, 0.0);
  p.Line(0.5, 0.0);
  p.Curve(0.78, 0.0, 0.92, 0.1, 0.92, 0.24);
  p.Curve(0.92, 0.38, 0.78, 0.47, 0.55, 0.47);
}
void CyrillicDe(cairo_t* cr, double l, double w) {
  Pen p = Tail(cr, l, w);
  const double b = kBaseInTail;
  p.Move(0.28, 0.0);
  p.Line(0.86, 0.0);
  p.Line(0.86, b);
  p.Move(0.28, 0.0);
  p.Curve(0.28, 0.45 * b, 0.22, 0.8 * b, 0.1, b);
  p.Move(0.0, 1.0);
  p.Line(0.0, b);
  p.Line(1.0, b);
  p.Line(1.0, 1.0);
}
void CyrillicShortI(cairo_t* cr, double l, double w) {
  Pen p = Small(cr, l, w);
  p.Move(0.0, 0.0);
  p.Line(0.0, 1.0);
  p.Line(1.0, 0.0);
  p.Line(1.0, 1.0);
  Breve(cr, l + w / 2);
}
void CyrillicEn(cairo_t* cr, double l, double w) {
  Pen p = Small(cr, l, w);
  p.Move(0.0, 0.0);
  p.Line(0.0, 1.0);
  p.Move(1.0, 0.0);
  p.Line(1.0, 1.0);
  p.Move(0.0, 0.5);
  p.Line(1.0, 0.5);
}
void CyrillicSoftSign(cairo_t* cr, double l, double w) {
  Pen p = Small(cr, l, w);
  p.Move(0.0, 0.0);
  p.Line(0.0, 1.0);
  p.Line(0.5, 1.0);
  p.Curve(0.85, 1.0, 1.0, 0.86, 1.0, 0.72);
  p.Curve(1.0, 0.58, 0.85, 0.45, 0.5, 0.45);
  p.Line(0.0, 0.45);
}
void CyrillicYa(cairo_t* cr, double l, double w) {
  Pen p = Small(cr, l, w);
  p.Move(1.0, 1.0);
  p.Line(1.0, 0.0);
  p.Line(0.45, 0.0);
  p.Curve(0.15, 0.0, 0.0, 0.12, 0.0, 0.27);
  p.Curve(0.0, 0.42, 0.15, 0.54, 0.45, 0.54);
  p.Line(1.0, 0.54);
  p.Move(0.45, 0.54);
  p.Line(0.02, 1.0);
}

constexpr double kLetter = 9.6;  // outer width of the round letters, as in "day"
constexpr double kLetterGap = 3.0;
constexpr double kWordLeft = 2.0;
constexpr double kWordRight = 4.0;  // room after the last letter, with the clear columns
constexpr int kMaxWordWidth = 58;   // the widest word "222" leaves room for between the plaque's pins

constexpr Letter kLetters[] = {
    {U'a', kLetter, LetterA},        {U'а', kLetter, LetterA},         {U'd', kLetter, LetterD},
    {U'e', kLetter, LetterE},        {U'е', kLetter, LetterE},         {U'g', kLetter, LetterG},
    {U'i', 3.0, LetterI},            {U'і', 3.0, LetterI},             {U'í', 3.0, LetterIAcute},
    {U'j', 5.0, LetterJ},            {U'n', kLetter, LetterN},         {U'ń', kLetter, LetterNAcute},
    {U'o', kLetter, LetterO},        {U'r', 7.0, LetterR},             {U's', 8.0, LetterS},
    {U'u', kLetter, LetterU},        {U'y', kLetter, LetterY},         {U'z', 8.5, LetterZ},
    {U'T', 10.0, CapitalT},          {U'в', 8.6, CyrillicVe},          {U'д', 11.0, CyrillicDe},
    {U'й', kLetter, CyrillicShortI}, {U'н', kLetter, CyrillicEn},      {U'ь', 8.6, CyrillicSoftSign},
    {U'я', 9.0, CyrillicYa},
};

std::u32string Utf32(std::string_view utf8) {
  std::u32string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const int length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? b : b & (0x7F >> length);
    for (int k = 1; k < length && i + k < utf8.size(); ++k) c = c << 6 | (utf8[i + k] & 0x3F);
    out.push_back(c);
    i += length;
  }
  return out;
}

}  // namespace

Image DrawWord(std::string_view word, int scale) {
  std::vector<const Letter*> letters;
  for (char32_t c : Utf32(word)) {
    const Letter* found = nullptr;
    for (const Letter& letter : kLetters) {
      if (letter.Code == c) found = &letter;
    }
    if (found == nullptr) throw std::invalid_argument("no lettering for a letter of \"" + std::string(word) + "\"");
    letters.push_back(found);
  }
  if (letters.empty()) throw std::invalid_argument("an empty word");
  double length = kLetterGap * static_cast<double>(letters.size() - 1);
  for (const Letter* letter : letters) length += letter->Width;
  // A long word is set narrower, its strokes as thick as ever.
  const double room = kMaxWordWidth - kWordLeft - kWordRight;
  const double narrowing = length > room ? room / length : 1.0;
  const int width = static_cast<int>(std::ceil(kWordLeft + length * narrowing + kWordRight));
  Canvas canvas(width, kDigitHeight, scale);
  cairo_t* cr = canvas.Cr();
  Engrave(cr, [&] {
    double x = kWordLeft;
    for (const Letter* letter : letters) {
      letter->Strokes(cr, x, letter->Width * narrowing);
      x += (letter->Width + kLetterGap) * narrowing;
    }
  });
  return canvas.ToImage();
}

}  // namespace artgen
