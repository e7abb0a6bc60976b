#include "core/autotest/RunReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

#include "core/base/AtomicFile.h"

namespace qx::autotest {

namespace {

using Opt = std::optional<double>;

// Figures of a row's first noise group, by their place in `ModeRecord::stats`.
constexpr size_t kMean = 0, kVpp = 1, kRms = 2, kEnob = 3, kNoiseFree = 6;

std::string Escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Fixed(double v, int decimals) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
  return buffer;
}

std::string Exact(double v) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.17g", v);
  return buffer;
}

/// A drift cell: the figure rounded for reading, the exact value for a program.
std::string DriftCell(const char* key, const Opt& v, int decimals) {
  std::string cell = "<td data-key=\"";
  cell.append(key).append("\"");
  if (!v) return cell + "></td>";
  cell.append(" data-value=\"").append(Exact(*v)).append("\">");
  return cell.append(Fixed(*v, decimals)).append("</td>");
}

/// "point 4: over range", "point 5: over range" -> "over range at points 4, 5": a drift row
/// stays one line high.
std::string LeftOut(const std::vector<std::string>& leftOut) {
  std::vector<std::pair<std::string, std::vector<std::string>>> byReason;
  for (const std::string& entry : leftOut) {
    const size_t colon = entry.find(": ");
    const bool point = entry.starts_with("point ") && colon != std::string::npos;
    const std::string reason = point ? entry.substr(colon + 2) : entry;
    const std::string where = point ? entry.substr(6, colon - 6) : std::string();
    auto it = std::find_if(byReason.begin(), byReason.end(),
                           [&](const auto& r) { return r.first == reason; });
    if (it == byReason.end()) it = byReason.insert(byReason.end(), {reason, {}});
    if (!where.empty()) it->second.push_back(where);
  }
  std::string text;
  for (const auto& [reason, points] : byReason) {
    if (!text.empty()) text += "; ";
    text += reason;
    if (points.empty()) continue;
    text += points.size() == 1 ? " at point " : " at points ";
    for (size_t i = 0; i < points.size(); ++i) text += (i ? ", " : "") + points[i];
  }
  return Escape(text);
}

const char* RowState(const ModeRecord& r) {
  return !r.failure.empty() ? "failed" : r.overRange > 0 ? "over range" : "measured";
}

void Row(std::string& html, std::initializer_list<std::string> cells, const char* tag = "td") {
  html += "<tr>";
  for (const std::string& c : cells) {
    html.append("<").append(tag).append(">").append(c).append("</").append(tag).append(">");
  }
  html += "</tr>\n";
}

/// A window's table as the run used it: its header row and `used` rows after it, without the
/// columns that are empty in all of them; nothing when those rows hold nothing.
void Table(std::string& html, const TextRows& rows, size_t used, const char* caption) {
  const size_t count = std::min(rows.size(), used + 1);
  size_t columns = 0;
  bool anyData = false;
  for (size_t r = 0; r < count; ++r) {
    for (size_t c = 0; c < rows[r].size(); ++c) {
      if (rows[r][c].empty()) continue;
      columns = std::max(columns, c + 1);
      anyData |= r > 0 && c > 0;
    }
  }
  if (!anyData) return;
  html.append("<h3>").append(caption).append("</h3>\n<table class=\"grid\">\n");
  for (size_t r = 0; r < count; ++r) {
    html += "<tr>";
    for (size_t c = 0; c < columns; ++c) {
      const std::string cell = c < rows[r].size() ? Escape(rows[r][c]) : std::string();
      html.append("<td>").append(cell).append("</td>");
    }
    html += "</tr>\n";
  }
  html += "</table>\n";
}

struct Point {
  double x;
  double y;
};

/// A small chart of one figure of one mode against temperature, as inline SVG; `fit` draws
/// the least-squares line through the points.
std::string Chart(const std::string& title, const std::string& unit, const std::vector<Point>& pts,
                  std::optional<std::pair<double, double>> fit) {
  constexpr double kW = 230, kH = 150, kLeft = 58, kRight = 8, kTop = 18, kBottom = 28;
  std::string svg =
      "<svg width=\"230\" height=\"150\" "
      "viewBox=\"0 0 230 150\" role=\"img\">";
  svg.append("<text x=\"115\" y=\"12\" text-anchor=\"middle\" class=\"t\">")
      .append(Escape(title))
      .append(" (")
      .append(Escape(unit))
      .append(")</text>");
  if (pts.empty())
    return svg + "<text x=\"115\" y=\"80\" text-anchor=\"middle\">no rows</text></svg>";
  double x0 = pts[0].x, x1 = pts[0].x, y0 = pts[0].y, y1 = pts[0].y;
  for (const Point& p : pts) {
    x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
  }
  if (x1 - x0 < 1e-9) x0 -= 1, x1 += 1;
  if (y1 - y0 < 1e-12 * std::max(1.0, std::fabs(y0))) {
    const double pad = std::max(std::fabs(y0) * 1e-6, 1e-9);
    y0 -= pad, y1 += pad;
  }
  const auto sx = [&](double x) { return kLeft + (x - x0) / (x1 - x0) * (kW - kLeft - kRight); };
  const auto sy = [&](double y) {
    return kH - kBottom - (y - y0) / (y1 - y0) * (kH - kTop - kBottom);
  };
  // Frame and the two ends of each axis.
  svg.append("<rect x=\"").append(Fixed(kLeft, 0)).append("\" y=\"").append(Fixed(kTop, 0));
  svg.append("\" width=\"").append(Fixed(kW - kLeft - kRight, 0)).append("\" height=\"");
  svg.append(Fixed(kH - kTop - kBottom, 0)).append("\" class=\"f\"/>");
  const auto label = [&](double x, double y, const std::string& text, const char* anchor) {
    svg.append("<text x=\"").append(Fixed(x, 1)).append("\" y=\"").append(Fixed(y, 1));
    svg.append("\" text-anchor=\"").append(anchor).append("\">").append(text).append("</text>");
  };
  const int yDecimals = (y1 - y0) >= 100 ? 0 : (y1 - y0) >= 1 ? 2 : 4;
  label(kLeft - 3, kTop + 8, Fixed(y1, yDecimals), "end");
  label(kLeft - 3, kH - kBottom, Fixed(y0, yDecimals), "end");
  label(kLeft, kH - kBottom + 12, Fixed(x0, 1) + " °C", "start");
  label(kW - kRight, kH - kBottom + 12, Fixed(x1, 1) + " °C", "end");
  if (fit) {
    svg.append("<line class=\"fit\" x1=\"").append(Fixed(sx(x0), 1)).append("\" y1=\"");
    svg.append(Fixed(sy(fit->first + fit->second * x0), 1)).append("\" x2=\"");
    svg.append(Fixed(sx(x1), 1)).append("\" y2=\"");
    svg.append(Fixed(sy(fit->first + fit->second * x1), 1)).append("\"/>");
  }
  svg += "<polyline class=\"l\" points=\"";
  for (const Point& p : pts)
    svg.append(Fixed(sx(p.x), 1)).append(",").append(Fixed(sy(p.y), 1)).append(" ");
  svg += "\"/>";
  for (const Point& p : pts) {
    svg.append("<circle r=\"2.5\" cx=\"").append(Fixed(sx(p.x), 1)).append("\" cy=\"");
    svg.append(Fixed(sy(p.y), 1)).append("\"/>");
  }
  return svg + "</svg>";
}

constexpr char kStyle[] =
    "@page{size:A4;margin:14mm}"
    "body{font:10pt sans-serif;color:#111;max-width:190mm;margin:auto}"
    "h1{font-size:15pt}h2{font-size:12pt;margin-top:16pt}h3{font-size:10pt}"
    "table{border-collapse:collapse;margin:4pt 0}td,th{border:1px solid #bbb;padding:1pt 4pt;"
    "text-align:right}th{background:#eee}.head td{text-align:left}.grid td{text-align:left}"
    "tr.failed td{background:#fdd}tr.over td{background:#ffe6bf}"
    ".charts{display:flex;flex-wrap:wrap;gap:4pt;page-break-inside:avoid}"
    "svg{font:8px sans-serif}svg .t{font-weight:bold;font-size:9px}"
    "svg .f{fill:none;stroke:#888}svg .l{fill:none;stroke:#1f5fbf;stroke-width:1.2}"
    "svg circle{fill:#1f5fbf}svg .fit{stroke:#c03030;stroke-dasharray:4 2}"
    "pre{white-space:pre-wrap}td.left{text-align:left;min-width:32mm}table.drift{font-size:8pt}";

}  // namespace

std::optional<RunReportData> LoadRunReport(RunJournal& journal, int64_t run, std::string& error) {
  const auto fail = [&]() -> std::optional<RunReportData> {
    error = journal.LastError().empty() ? NoRunText(run) : journal.LastError();
    return std::nullopt;
  };
  RunReportData data;
  const auto settings = journal.Settings(run);
  if (!settings) return fail();
  data.settings = *settings;
  bool found = false;
  for (const RunSummary& s : journal.List()) {
    if (s.id != run) continue;
    data.summary = s;
    found = true;
  }
  data.rows = journal.Modes(run);
  if (!found || !journal.LastError().empty()) return fail();
  data.drift = ComputeDrift(data.rows, data.settings.captureBits);
  return data;
}

bool WriteRunReport(RunJournal& journal, int64_t run, const std::filesystem::path& file,
                    std::string& error) {
  const auto loaded = LoadRunReport(journal, run, error);
  return loaded && base::AtomicFile::Write(file, RunReportHtml(*loaded), error);
}

std::string RunReportHtml(const RunReportData& run) {
  const RunSummary& s = run.summary;
  const RunSettings& set = run.settings;
  std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  html.append("<title>Temperature run ").append(std::to_string(s.id));
  if (!set.device.empty()) html.append(" - ").append(Escape(set.device));
  html.append("</title>\n<style>").append(kStyle).append("</style>\n</head>\n<body>\n");
  html.append("<h1>Temperature run ").append(std::to_string(s.id)).append("</h1>\n");

  html += "<table class=\"head\">\n";
  const std::string span = std::to_string(set.points) + " points x " + std::to_string(set.modes) +
                           " modes, " + std::to_string(s.recorded) + " recorded";
  const std::pair<const char*, std::string> head[] = {
      {"State", RunStateName(s.state)},
      {"Started", s.started},
      {"Ended", s.ended},
      {"Device", set.device},
      {"Note", set.note},
      {"Chip", set.chip},
      {"Program", set.programVersion},
      {"Host", set.host},
      {"Run UUID", set.uuid},
      {"Kind", set.withChamber ? "with the chamber (T-Begin)" : "without the chamber (T-Test)"},
      {"Size", span},
      {"Captures", set.captureBits > 0 ? std::to_string(set.captureBits) + " bits" : "unknown"},
      {"Measure", set.measure},
      {"Hold", std::to_string(set.holdMinutes) + " min"},
      {"Power delay", set.powerDelayText + " ms"},
  };
  for (const auto& [name, value] : head) Row(html, {name, Escape(value)});
  html += "</table>\n";
  if (!set.instruments.empty())
    html.append("<h3>Instruments</h3>\n<pre>").append(Escape(set.instruments)).append("</pre>\n");

  html += "<h2>Drift</h2>\n<table class=\"drift\">\n";
  Row(html,
      {"Mode", "Points", "Left out", "Offset drift µV/°C", "codes/°C", "ppm FS/°C",
       "Fit residual codes", "Box drift ppm/°C", "RMS nV coldest", "RMS nV 25 °C", "RMS nV hottest",
       "RMS nV worst", "ENOB coldest", "ENOB 25 °C", "ENOB hottest", "ENOB worst"},
      "th");
  for (const ModeDrift& d : run.drift) {
    const std::string left = LeftOut(d.leftOut);
    html.append("<tr><td>").append(std::to_string(d.mode)).append("</td><td>");
    html.append(std::to_string(d.pointsUsed.size()))
        .append("</td><td class=\"left\">")
        .append(left);
    html += "</td>";
    html += DriftCell("offset_drift_uV_per_C", d.slopeUvPerC, 3);
    html += DriftCell("offset_drift_codes_per_C", d.slopeCodesPerC, 3);
    html += DriftCell("offset_drift_ppm_fs_per_C", d.slopePpmFsPerC, 4);
    html += DriftCell("fit_residual_rms_codes", d.residualRmsCodes, 2);
    html += DriftCell("box_drift_ppm_per_C", d.meanBoxPpmPerC, 3);
    html += DriftCell("rms_noise_nV.coldest", d.rmsNoiseNv.coldest, 1);
    html += DriftCell("rms_noise_nV.at_25C", d.rmsNoiseNv.at25, 1);
    html += DriftCell("rms_noise_nV.hottest", d.rmsNoiseNv.hottest, 1);
    html += DriftCell("rms_noise_nV.worst", d.rmsNoiseNv.worst, 1);
    html += DriftCell("enob_bits.coldest", d.enob.coldest, 2);
    html += DriftCell("enob_bits.at_25C", d.enob.at25, 2);
    html += DriftCell("enob_bits.hottest", d.enob.hottest, 2);
    html += DriftCell("enob_bits.worst", d.enob.worst, 2);
    html += "</tr>\n";
  }
  html += "</table>\n";
  // The modes as levels of one input path: its offset and gain drift.
  const PathDrift path = ComputePathDrift(run.drift);
  std::string levels;
  for (const int m : path.modesUsed) levels += (levels.empty() ? "" : ", ") + std::to_string(m);
  html += "<table class=\"path\">\n";
  Row(html, {"Input path", "Offset drift µV/°C", "Gain drift ppm/°C", "Fit residual µV/°C"}, "th");
  html.append("<tr><td>modes ")
      .append(levels.empty() ? "(too few levels)" : levels)
      .append("</td>");
  html += DriftCell("input_path.offset_drift_uV_per_C", path.offsetUvPerC, 3);
  html += DriftCell("input_path.gain_drift_ppm_per_C", path.gainPpmPerC, 3);
  html += DriftCell("input_path.fit_residual_rms_uV_per_C", path.residualRmsUvPerC, 3);
  html += "</tr>\n</table>\n";

  // Per mode, the rows that went into its drift: measured, in range.
  std::map<int, std::vector<const ModeRecord*>> used;
  for (const ModeRecord& r : run.rows)
    if (r.failure.empty() && r.overRange == 0) used[r.mode].push_back(&r);
  html += "<h2>Charts</h2>\n";
  for (const ModeDrift& d : run.drift) {
    std::vector<Point> mean, rms, enob;
    for (const ModeRecord* r : used[d.mode]) {
      const double t = RowTemperature(*r);
      mean.push_back({t, r->stats[kMean]});
      rms.push_back({t, r->stats[kRms]});
      enob.push_back({t, r->stats[kEnob]});
    }
    const auto byT = [](const Point& a, const Point& b) { return a.x < b.x; };
    for (auto* v : {&mean, &rms, &enob}) std::sort(v->begin(), v->end(), byT);
    std::optional<std::pair<double, double>> fit;
    if (d.slopeCodesPerC && d.interceptCodes) fit = {{*d.interceptCodes, *d.slopeCodesPerC}};
    const std::string mode = "Mode " + std::to_string(d.mode);
    html += "<div class=\"charts\">";
    html += Chart(mode + " mean", "codes", mean, fit);
    html += Chart(mode + " RMS noise", "nV", rms, std::nullopt);
    html += Chart(mode + " ENOB", "bits", enob, std::nullopt);
    html += "</div>\n";
  }

  html += "<h2>Results</h2>\n<table class=\"rows\">\n";
  Row(html,
      {"Point", "Mode", "Target °C", "Chamber °C", "State", "Mean codes", "RMS nV", "Vp-p nV",
       "ENOB", "Noise-free bits", "Meters"},
      "th");
  for (const ModeRecord& r : run.rows) {
    const bool failed = !r.failure.empty();
    html += failed ? "<tr class=\"failed\">" : r.overRange > 0 ? "<tr class=\"over\">" : "<tr>";
    const auto td = [&html](const std::string& text) {
      html.append("<td>").append(text).append("</td>");
    };
    td(std::to_string(r.point));
    td(std::to_string(r.mode));
    td(Fixed(r.targetTemp, 2));
    td(r.chamberTemp ? Fixed(*r.chamberTemp, 2) : std::string());
    std::string state = RowState(r);
    if (failed) state += ": " + Escape(r.failure);
    if (r.overRange > 0) state += " (" + std::to_string(r.overRange) + " samples)";
    td(state);
    for (const auto& [k, decimals] :
         {std::pair{kMean, 2}, {kRms, 1}, {kVpp, 1}, {kEnob, 2}, {kNoiseFree, 2}})
      td(failed ? std::string() : Fixed(r.stats[k], decimals));
    std::string meters;
    for (size_t i = 0; i < r.meterValue.size(); ++i) {
      if (failed || r.meterUnit[i].empty()) continue;
      if (!meters.empty()) meters += ", ";
      meters += Exact(r.meterValue[i]) + " " + Escape(r.meterUnit[i]);
    }
    td(meters);
    html += "</tr>\n";
  }
  html += "</table>\n";

  html += "<h2>Settings</h2>\n";
  const auto points = static_cast<size_t>(std::max(set.points, 0));
  const auto modes = static_cast<size_t>(std::max(set.modes, 0));
  Table(html, set.tempTable, points, "Temperatures");
  Table(html, set.regTable, modes, "Modes: registers, delay and reference");
  Table(html, set.flukeTable, modes, "Calibrator steps");
  Table(html, set.powerTable, modes, "Power-supply steps");
  html += "</body>\n</html>\n";
  return html;
}

}  // namespace qx::autotest
