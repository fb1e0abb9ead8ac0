// Writes the LV2 bundle's Turtle from the effects' own tables, so that the
// ports, ranges, units, presets and names are never written by hand:
//
//   make_ttl <bundle folder> <shared object file name>
//     manifest.ttl  the plug-ins and presets, and where they are described
//     orlofx.ttl    the plug-ins and their ports
//     presets.ttl   every built-in preset: port values, the record as state,
//                   its name in each language
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/value_names.h"
#include "lv2/lv2_plugins.h"
#include "support/strings.h"

namespace orlofx::lv2 {

namespace {

constexpr const char* kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix pg: <http://lv2plug.in/ns/ext/port-groups#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
    "@prefix xsd: <http://www.w3.org/2001/XMLSchema#> .\n\n";

// The languages of the string tables and their tags; English untagged.
constexpr struct {
  int id;
  const char* tag;
} kLanguages[] = {{kLanguageEnglish, ""},
                  {kLanguageGerman, "de"},
                  {kLanguageFrench, "fr"},
                  {kLanguageJapanese, "ja"}};

std::string Quoted(const char* text) {
  std::string q = "\"";
  for (const char* p = text; *p; ++p) {
    if (*p == '"' || *p == '\\') q += '\\';
    q += *p;
  }
  return q + "\"";
}

// `predicate` with string `id` in every language that has it.
std::string Texts(const char* predicate, int id) {
  std::string out;
  for (const auto& language : kLanguages) {
    const char* text = StringInTable(language.id, id);
    if (!text) continue;
    out += std::string(" ") + predicate + " " + Quoted(text) +
           (*language.tag ? std::string("@") + language.tag : std::string()) + " ;";
  }
  return out;
}

std::string Number(float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(v));
  std::string s = text;
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

std::string PresetUri(const PluginKind& kind, int index) {
  return std::string(kUriPrefix) + kind.effect->name + ":preset:" + std::to_string(index);
}

const char* UnitOf(ParameterUnit unit) {
  switch (unit) {
    case ParameterUnit::kTenthsDecibel:
      return "units:db";
    case ParameterUnit::kMilliseconds:
    case ParameterUnit::kTenthsMillisecond:
      return "units:ms";
    case ParameterUnit::kHertz:
      return "units:hz";
    case ParameterUnit::kTenthsOctave:
      return "units:oct";
    case ParameterUnit::kTenthsRatio:
      return "<urn:orlofx:lv2:ratio>";
    default:
      return nullptr;
  }
}

void WriteControl(std::ostream& out, const PluginKind& kind, const ControlPort& port,
                  std::size_t index, std::int32_t current) {
  const ParameterDescriptor& row = *port.row;
  out << " ,\n  [ a lv2:InputPort , lv2:ControlPort ; lv2:index " << index << " ; lv2:symbol \""
      << row.name << "\" ; lv2:name \"" << row.name << "\" ;\n    lv2:default "
      << Number(FieldToPort(port, current)) << " ; lv2:minimum "
      << Number(FieldToPort(port, row.minimum)) << " ; lv2:maximum "
      << Number(FieldToPort(port, row.maximum));
  if (const char* unit = UnitOf(row.unit)) out << " ; units:unit " << unit;
  const cli::ValueNames names = cli::NamesOfValues(kind.effect->name, row);
  const bool toggle = names.count == 2 && row.minimum == 0 && row.maximum == 1;
  if (toggle)
    out << " ; lv2:portProperty lv2:toggled";
  else if (port.scale == 1.0f)
    out << " ; lv2:portProperty lv2:integer";
  if (names.count > 0 && !toggle) {
    out << " , lv2:enumeration";
    for (int v = 0; v < names.count; ++v)
      out << " ;\n    lv2:scalePoint [" << Texts("rdfs:label", names.ids[v]) << " rdf:value " << v
          << ".0 ]";
  }
  out << " ]";
}

void WritePlugin(std::ostream& out, const PluginKind& kind) {
  const auto fx = cli::CreateEffect(*kind.effect);
  std::int32_t fields[kMaxRecordFields];
  fx->GetFields(fields);
  // The audio ports as the main input and output groups, mono or stereo.
  const std::string uri = PluginUri(kind),
                    group = kind.channels == 1 ? "pg:MonoGroup" : "pg:StereoGroup";
  out << "<" << uri << ":in>\n  a " << group << " , pg:InputGroup ;\n"
      << "  lv2:symbol \"main_in\" .\n\n<" << uri << ":out>\n  a " << group
      << " , pg:OutputGroup ;\n  lv2:symbol \"main_out\" ;\n  pg:source <" << uri << ":in> .\n\n";
  out << "<" << uri << ">\n  a lv2:Plugin , " << kind.lv2Class << " ;"
      << Texts("doap:name", kind.effect->displayNameId) << "\n  lv2:minorVersion "
      << ORLOFX_VERSION_MINOR << " ;\n  lv2:microVersion " << ORLOFX_VERSION_PATCH
      << " ;\n  pg:mainInput <" << uri << ":in> ;\n  pg:mainOutput <" << uri << ":out> ;"
      << "\n  lv2:optionalFeature urid:map, lv2:hardRTCapable ;\n  lv2:extensionData state:interface ;\n"
         "  lv2:port";
  const char* const names[2][2] = {{"in", "out"}, {"in_l", "out_l"}};
  std::size_t index = 0;
  for (int direction = 0; direction < 2; ++direction)
    for (int c = 0; c < kind.channels; ++c) {
      std::string symbol = names[kind.channels - 1][direction];
      if (c == 1) symbol.back() = 'r';
      const char* designation = kind.channels == 1 ? "pg:center" : (c ? "pg:right" : "pg:left");
      out << (index ? " ,\n" : "\n") << "  [ a lv2:AudioPort , "
          << (direction ? "lv2:OutputPort" : "lv2:InputPort") << " ; lv2:index " << index
          << " ; lv2:symbol \"" << symbol << "\" ; lv2:name \"" << symbol << "\" ;\n    pg:group <"
          << uri << (direction ? ":out" : ":in") << "> ; lv2:designation " << designation << " ]";
      ++index;
    }
  out << " ,\n  [ a lv2:OutputPort , lv2:ControlPort ; lv2:index " << index++
      << " ; lv2:symbol \"latency\" ; lv2:name \"latency\" ;\n"
         "    lv2:portProperty lv2:reportsLatency , lv2:integer ; units:unit units:frame ]";
  for (const ControlPort& port : ControlPorts(kind, fx->Parameters()))
    WriteControl(out, kind, port, index++, fields[port.field]);
  out << " .\n\n";
}

// Base64 of the record, the form a preset file carries state chunks in.
std::string Base64(const std::vector<std::uint8_t>& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t v = static_cast<std::uint32_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) v |= bytes[i + 2];
    const std::size_t left = bytes.size() - i;
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += left > 1 ? kDigits[(v >> 6) & 63] : '=';
    out += left > 2 ? kDigits[v & 63] : '=';
  }
  return out;
}

void WritePresets(std::ostream& manifest, std::ostream& out, const PluginKind& mono,
                  const PluginKind& stereo) {
  const auto fx = cli::CreateEffect(*mono.effect);
  const std::vector<ControlPort> ports = ControlPorts(mono, fx->Parameters());
  for (int p = 0; p < fx->PresetCount(); ++p) {
    fx->ApplyPreset(p);
    std::int32_t fields[kMaxRecordFields];
    fx->GetFields(fields);
    const std::string uri = "<" + PresetUri(mono, p) + ">";
    manifest << uri << "\n  a pset:Preset ;\n  lv2:appliesTo <" << PluginUri(mono) << "> , <"
             << PluginUri(stereo) << "> ;\n  rdfs:seeAlso <presets.ttl> .\n\n";
    out << uri << "\n  a pset:Preset ;\n  lv2:appliesTo <" << PluginUri(mono) << "> , <"
        << PluginUri(stereo) << "> ;\n " << Texts("rdfs:label", fx->PresetNameId(p))
        << "\n  lv2:port";
    for (std::size_t i = 0; i < ports.size(); ++i)
      out << (i ? " ,\n" : "\n") << "    [ lv2:symbol \"" << ports[i].row->name
          << "\" ; pset:value "
          << Number(FieldToPort(ports[i], ClampTo(fields[ports[i].field], ports[i].row->minimum,
                                                  ports[i].row->maximum)))
          << " ]";
    MemoryRecordStream record;
    fx->SaveRecord(record, true);
    out << " ;\n  state:state [ <" << kRecordKey << "> \"" << Base64(record.Bytes())
        << "\"^^xsd:base64Binary ] .\n\n";
  }
}

bool Write(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary);
  file << text;
  return static_cast<bool>(file);
}

}  // namespace

int MakeTurtle(const std::string& folder, const std::string& binary) {
  std::ostringstream manifest, plugins, presets;
  manifest << kPrefixes;
  plugins << kPrefixes
          << "<urn:orlofx:lv2:ratio>\n  a units:Unit ;\n  rdfs:label \"ratio\" ;\n"
             "  units:symbol \":1\" ;\n  units:render \"%.1f:1\" .\n\n";
  presets << kPrefixes << "<" << kRecordKey
          << ">\n  a rdf:Property ;\n  rdfs:label \"settings record\" ;\n"
             "  rdfs:range atom:Chunk .\n\n";
  const std::vector<PluginKind>& all = Plugins();
  for (std::size_t i = 0; i < all.size(); ++i) {
    manifest << "<" << PluginUri(all[i]) << ">\n  a lv2:Plugin ;\n  lv2:binary <" << binary
             << "> ;\n  rdfs:seeAlso <orlofx.ttl> .\n\n";
    WritePlugin(plugins, all[i]);
    if (all[i].channels == 2) WritePresets(manifest, presets, all[i - 1], all[i]);
  }
  return Write(folder + "/manifest.ttl", manifest.str()) &&
                 Write(folder + "/orlofx.ttl", plugins.str()) &&
                 Write(folder + "/presets.ttl", presets.str())
             ? 0
             : 1;
}

}  // namespace orlofx::lv2

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_ttl <bundle folder> <shared object file name>\n");
    return 2;
  }
  return orlofx::lv2::MakeTurtle(argv[1], argv[2]);
}
