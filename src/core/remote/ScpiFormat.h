#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qx::remote {

/// How a query returns a list of numbers: `FORMat[:DATA]` and `FORMat:BORDer` of one connection.
struct ScpiDataFormat {
  enum class Type { Ascii, Int32, Real64 };
  Type type = Type::Ascii;
  bool swapped = false;  ///< SWAPped: least significant byte first; NORMal (default): most first
};

/// Number and block formatting of replies, and the unit suffixes of parameters.
namespace format {

/// A number as the shortest decimal text that reads back as the same double ("171", "0.5").
std::string Number(double value);
/// A string reply: double quotes, an inner double quote doubled.
std::string Quoted(std::string_view text);
/// An IEEE 488.2 definite-length block: `#<n><length><bytes>`.
std::string Block(std::string_view bytes);
/// Values in the connection's data format: ASCii comma-separated, else a block of 32-bit
/// integers (rounded and clamped) or 64-bit IEEE doubles in the chosen byte order.
std::string Values(std::span<const double> values, const ScpiDataFormat& f);

/// The multiplier of a suffix for a parameter measured in `unit` ("V", "HZ", "S"): the unit
/// alone is 1, a prefix before it scales (MA mega, K kilo, M milli, U micro, N nano, P pico; as
/// the standard reads them, MHZ is megahertz and MOHM megaohm). Empty when the suffix is no
/// multiple of `unit`. Case does not matter.
std::optional<double> SuffixScale(std::string_view suffix, std::string_view unit);

}  // namespace format
}  // namespace qx::remote
