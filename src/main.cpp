// The program entry: the shell behind the Qt window.
#include <memory>

#include "platform/qt/application.hpp"
#include "shell/callback.hpp"
#include "shell/registry.hpp"
#include "shell/shell.hpp"

namespace {

class ShellProgram : public varnok::qt::Program {
 public:
  ShellProgram(varnok::Console& console, std::function<varnok::window::Window&()> opener)
      : shell_(console, std::move(opener)) {}
  void runCallback(const std::string& callback, varnok::window::Control* source) override {
    shell_.runCallback(callback, source);
  }
  void start(const varnok::ValueList& words) override { shell_.Varnok6p(words, 0); }
  void setProgress(varnok::Progress* progress) override { shell_.setProgress(progress); }
  std::string liveShape(varnok::graphics::Figure& inset, double x, double y) override {
    return shell_.liveShape(inset, x, y);
  }
  bool liveShapeApplies() const override { return shell_.showsScorePlot(); }
  const varnok::window::Catalog* catalog() const override { return &varnok::shell::catalog(); }
  varnok::qt::SessionFacts facts() const override {
    const auto& s = shell_.session();
    const auto flag = [](bool on) { return on ? '1' : '0'; };
    return {
        s.folder,
        s.dataFile,
        s.dataLoads,
        std::to_string(s.permutations) + " " + std::to_string(s.permutationSeed),
        {flag(s.sliding.readCurves), flag(s.sliding.byProcrustes), flag(s.sliding.slideCurveEnds)},
        s.state.PCAScores.size() != 0};
  }

 private:
  varnok::shell::Shell shell_;
};

}  // namespace

int main(int argc, char** argv) {
  varnok::qt::ProgramFactory factory;
  factory.callbackParses = [](std::string_view text, std::string* why) {
    return varnok::shell::parseCallback(text, why).has_value();
  };
  factory.make = [](varnok::Console& console, std::function<varnok::window::Window&()> opener) {
    return std::make_unique<ShellProgram>(console, std::move(opener));
  };
  return varnok::qt::runApplication(argc, argv, factory);
}
