#include "cli/RunShow.h"

#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/JsonWriter.h"
#include "cli/LinkCommands.h"
#include "core/autotest/RunReport.h"
#include "core/autotest/TempDrift.h"

namespace qx::cli {

namespace {

using autotest::ModeDrift;
using autotest::ModeRecord;
using autotest::OverTemperature;
using autotest::RunSettings;
using autotest::RunSummary;
using Opt = std::optional<double>;

// The seven figures of a noise record with their units, for both groups ("ch2_" for the second).
constexpr const char* kFigureKeys[7] = {"mean_codes", "vpp_nV",    "rms_nV",         "enob_bits",
                                        "vpp_codes",  "rms_codes", "noise_free_bits"};

const char* RowState(const ModeRecord& r) {
  return !r.failure.empty() ? "failed" : r.overRange > 0 ? "over_range" : "measured";
}

/// A figure as the text tables show it: full precision, empty when there is none.
std::string Cell(const Opt& v) {
  if (!v) return {};
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.10g", *v);
  return buffer;
}

/// A CSV cell: quoted when it holds a comma, a quote or a line end.
std::string Quoted(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string q = "\"";
  for (char c : text) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

void Figure(JsonWriter& j, const char* key, const Opt& v) {
  j.Key(key);
  if (v) {
    j.Double(*v);
  } else {
    j.Null();
  }
}

void Over(JsonWriter& j, const char* key, const OverTemperature& o) {
  j.Key(key).BeginObject();
  Figure(j, "coldest", o.coldest);
  Figure(j, "at_25C", o.at25);
  Figure(j, "hottest", o.hottest);
  Figure(j, "worst", o.worst);
  j.EndObject();
}

void Json(const RunSummary& s, const RunSettings& settings, const std::vector<ModeRecord>& rows,
          const std::vector<ModeDrift>& drift, std::ostream& out) {
  JsonWriter j;
  j.BeginObject().Key("run").BeginObject();
  j.Key("id").Int(s.id).Key("uuid").String(settings.uuid);
  j.Key("state").String(autotest::RunStateName(s.state));
  j.Key("started").String(s.started).Key("ended").String(s.ended);
  j.Key("device").String(settings.device).Key("note").String(settings.note);
  j.Key("chip").String(settings.chip).Key("program_version").String(settings.programVersion);
  j.Key("host").String(settings.host).Key("with_chamber").Bool(settings.withChamber);
  j.Key("points").Int(settings.points).Key("modes").Int(settings.modes);
  j.Key("recorded").Int(s.recorded).Key("capture_bits").Int(settings.captureBits);
  j.EndObject();

  j.Key("rows").BeginArray();
  for (const ModeRecord& r : rows) {
    const bool failed = !r.failure.empty();
    j.BeginObject().Key("point").Int(r.point).Key("mode").Int(r.mode);
    Figure(j, "target_temp_C", r.targetTemp);
    Figure(j, "chamber_temp_C", r.chamberTemp);
    j.Key("state").String(RowState(r)).Key("failure").String(r.failure);
    j.Key("over_range_samples").Int(r.overRange);
    for (size_t k = 0; k < r.stats.size(); ++k) {
      const std::string key = std::string(k < 7 ? "" : "ch2_") + kFigureKeys[k % 7];
      Figure(j, key.c_str(), failed ? Opt() : Opt(r.stats[k]));
    }
    j.Key("meters").BeginArray();
    for (size_t i = 0; i < r.meterValue.size(); ++i) {
      if (failed || r.meterUnit[i].empty()) continue;
      j.BeginObject().Key("meter").Int(static_cast<long long>(i) + 1);
      j.Key("value").Double(r.meterValue[i]).Key("unit").String(r.meterUnit[i]).EndObject();
    }
    j.EndArray().EndObject();
  }
  j.EndArray();

  j.Key("drift").BeginArray();
  for (const ModeDrift& d : drift) {
    j.BeginObject().Key("mode").Int(d.mode);
    j.Key("points_used").BeginArray();
    for (int p : d.pointsUsed) j.Int(p);
    j.EndArray().Key("left_out").BeginArray();
    for (const std::string& why : d.leftOut) j.String(why);
    j.EndArray();
    const bool any = !d.pointsUsed.empty();
    Figure(j, "coldest_C", any ? Opt(d.coldestC) : Opt());
    Figure(j, "hottest_C", any ? Opt(d.hottestC) : Opt());
    Figure(j, "offset_drift_codes_per_C", d.slopeCodesPerC);
    Figure(j, "offset_drift_uV_per_C", d.slopeUvPerC);
    Figure(j, "offset_drift_ppm_fs_per_C", d.slopePpmFsPerC);
    Figure(j, "fit_intercept_codes", d.interceptCodes);
    Figure(j, "fit_residual_rms_codes", d.residualRmsCodes);
    Figure(j, "box_drift_ppm_per_C", d.meanBoxPpmPerC);
    j.Key("meter_box_drift_ppm_per_C").BeginArray();
    for (const Opt& m : d.meterBoxPpmPerC) m ? j.Double(*m) : j.Null();
    j.EndArray();
    Over(j, "rms_noise_nV", d.rmsNoiseNv);
    Over(j, "enob_bits", d.enob);
    j.EndObject();
  }
  j.EndArray();
  const autotest::PathDrift path = autotest::ComputePathDrift(drift);
  j.Key("input_path").BeginObject().Key("modes_used").BeginArray();
  for (int m : path.modesUsed) j.Int(m);
  j.EndArray();
  Figure(j, "offset_drift_uV_per_C", path.offsetUvPerC);
  Figure(j, "gain_drift_ppm_per_C", path.gainPpmPerC);
  Figure(j, "fit_residual_rms_uV_per_C", path.residualRmsUvPerC);
  j.EndObject().EndObject();
  out << j.Text() << "\n";
}

void Text(const RunSummary& s, const RunSettings& settings, const std::vector<ModeRecord>& rows,
          const std::vector<ModeDrift>& drift, std::ostream& out) {
  out << "run " << s.id << ": " << autotest::RunStateName(s.state) << "\n"
      << "uuid: " << settings.uuid << "\n"
      << "started: " << s.started << ", ended: " << s.ended << "\n"
      << "device: " << settings.device << "\n"
      << "note: " << settings.note << "\n"
      << "chip: " << settings.chip << ", program " << settings.programVersion << ", host "
      << settings.host << "\n"
      << (settings.withChamber ? "with the chamber, " : "without the chamber, ") << settings.points
      << " points x " << settings.modes << " modes, " << s.recorded << " recorded, captures of "
      << settings.captureBits << " bits\n\n";
  out << "point,mode,target_temp_C,chamber_temp_C,state";
  for (const char* k : kFigureKeys) out << "," << k;
  for (int i = 1; i <= 6; ++i) out << ",meter" << i << ",unit" << i;
  out << ",failure\n";
  for (const ModeRecord& r : rows) {
    const bool failed = !r.failure.empty();
    out << r.point << "," << r.mode << "," << Cell(r.targetTemp) << "," << Cell(r.chamberTemp)
        << "," << RowState(r);
    for (size_t k = 0; k < 7; ++k) out << "," << (failed ? "" : Cell(r.stats[k]));
    for (size_t i = 0; i < r.meterValue.size(); ++i) {
      const bool read = !failed && !r.meterUnit[i].empty();
      out << "," << (read ? Cell(r.meterValue[i]) : "") << "," << Quoted(r.meterUnit[i]);
    }
    out << "," << Quoted(r.failure) << "\n";
  }
  out << "\nmode,points_used,left_out,coldest_C,hottest_C,offset_drift_codes_per_C,"
         "offset_drift_uV_per_C,offset_drift_ppm_fs_per_C,fit_intercept_codes,"
         "fit_residual_rms_codes,box_drift_ppm_per_C,rms_noise_nV_coldest,rms_noise_nV_25C,"
         "rms_noise_nV_hottest,rms_noise_nV_worst,enob_bits_coldest,enob_bits_25C,"
         "enob_bits_hottest,enob_bits_worst";
  for (int i = 1; i <= 6; ++i) out << ",meter" << i << "_box_drift_ppm_per_C";
  out << "\n";
  for (const ModeDrift& d : drift) {
    std::string left;
    for (const std::string& why : d.leftOut) left += (left.empty() ? "" : "; ") + why;
    const bool any = !d.pointsUsed.empty();
    out << d.mode << "," << d.pointsUsed.size() << "," << Quoted(left) << ","
        << Cell(any ? Opt(d.coldestC) : Opt()) << "," << Cell(any ? Opt(d.hottestC) : Opt());
    for (const Opt& v :
         {d.slopeCodesPerC, d.slopeUvPerC, d.slopePpmFsPerC, d.interceptCodes, d.residualRmsCodes,
          d.meanBoxPpmPerC, d.rmsNoiseNv.coldest, d.rmsNoiseNv.at25, d.rmsNoiseNv.hottest,
          d.rmsNoiseNv.worst, d.enob.coldest, d.enob.at25, d.enob.hottest, d.enob.worst})
      out << "," << Cell(v);
    for (const Opt& m : d.meterBoxPpmPerC) out << "," << Cell(m);
    out << "\n";
  }
  const autotest::PathDrift path = autotest::ComputePathDrift(drift);
  std::string used;
  for (int m : path.modesUsed) {
    if (!used.empty()) used += ' ';
    used += std::to_string(m);
  }
  out << "\ninput_path_modes,offset_drift_uV_per_C,gain_drift_ppm_per_C,"
         "fit_residual_rms_uV_per_C\n"
      << used << "," << Cell(path.offsetUvPerC) << "," << Cell(path.gainPpmPerC) << ","
      << Cell(path.residualRmsUvPerC) << "\n";
}

}  // namespace

int ShowRun(autotest::RunJournal& journal, int64_t run, bool json, std::ostream& out,
            std::ostream& err) {
  std::string error;
  const auto data = autotest::LoadRunReport(journal, run, error);
  if (!data) {
    err << "qxctl: " << error << "\n";
    return kExitLinkFailed;
  }
  if (json) {
    Json(data->summary, data->settings, data->rows, data->drift, out);
  } else {
    Text(data->summary, data->settings, data->rows, data->drift, out);
  }
  return kExitOk;
}

int ReportRun(autotest::RunJournal& journal, int64_t run, const std::filesystem::path& file,
              std::ostream& out, std::ostream& err) {
  std::string error;
  if (!autotest::WriteRunReport(journal, run, file, error)) {
    err << "qxctl: " << error << "\n";
    return kExitLinkFailed;
  }
  out << file.string() << "\n";
  return kExitOk;
}

}  // namespace qx::cli
