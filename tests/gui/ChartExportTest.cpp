#include "gui/ChartExport.h"

#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <fstream>
#include <sstream>

#include "PanelFixture.h"

namespace qx::gui {
namespace {

std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The panel fixture brings the application and a fresh folder; no panel is started.
class ChartExportTest : public test::PanelFixture {
 protected:
  void SetUp() override {
    PanelFixture::SetUp();
    plot = std::make_unique<QCustomPlot>();
    plot->addGraph();
    plot->graph(0)->setData({0, 1, 2, 3}, {5, 7, 6, 8});
    plot->xAxis->setLabel("Frequency  Hz");
    plot->rescaleAxes();
  }
  std::unique_ptr<QCustomPlot> plot;
};

TEST_F(ChartExportTest, SuffixChoosesTheFormatAndTheWholeFileIsWritten) {
  std::string error;
  const auto png = dir / "chart.PNG";
  ASSERT_TRUE(ChartExport::Save(*plot, QString::fromStdString(png.string()), error)) << error;
  EXPECT_EQ(Slurp(png).substr(0, 8), "\x89PNG\r\n\x1a\n");

  const auto svg = dir / "chart.Svg";
  ASSERT_TRUE(ChartExport::Save(*plot, QString::fromStdString(svg.string()), error)) << error;
  const std::string text = Slurp(svg);
  EXPECT_NE(text.find("<svg"), std::string::npos);
  // The never-shown chart is drawn at the fallback size, axis label included.
  EXPECT_NE(text.find("width=\"800"), std::string::npos);
  EXPECT_NE(text.find("Frequency"), std::string::npos);
  EXPECT_NE(text.rfind("</svg>"), std::string::npos);
  // Nothing but the two pictures is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
}

TEST_F(ChartExportTest, AnUnwritableFolderIsAnErrorWithItsReason) {
  std::string error;
  const auto path = dir / "missing" / "chart.svg";
  EXPECT_FALSE(ChartExport::Save(*plot, QString::fromStdString(path.string()), error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace qx::gui
