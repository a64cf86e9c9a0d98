#include "shell/ref_angle.hpp"

#include "io/dload.hpp"
#include "platform/matrix/text.hpp"
#include "shell/shell.hpp"

namespace varnok::shell {

std::optional<Value> RefAngleSetup(Shell& shell) {
  Console& console = shell.console();
  auto boxes = shell.window().findobj("RefAngleBox");
  console.display("nh2", boxes.empty() ? Mat() : Mat::Constant(1, 1, 1.0));
  if (boxes.empty()) return std::nullopt;
  window::Control& box = *boxes.front();
  Value stemp = box.get("String");
  std::string text = stemp.isText() ? stemp.text() : stemp.describe();
  Value y = text;
  if (!text.empty() && text[0] == 'a') {
    const std::string fname = "refanglefile.txt";
    console.display("fname", fname);
    console.display("filet", fname);
    // A missing or unreadable file means no turn at all: 0 degrees. It holds
    // one number, so anything but a small regular file (a pipe that would
    // block start-up, a device, a huge file) counts as missing.
    double angle = 0;
    try {
      const auto text =
          io::readNumericText(shell.session().resolve(fname), fname, kRefAngleFileMaxBytes);
      if (text.data.rows() >= 1 && text.data.cols() >= 1) angle = text.data(0, 0);
    } catch (const io::FileAccessError&) {
    } catch (const RuntimeError& e) {
      console.error(e.what());
    }
    y = angle;
    console.display("y", angle);
  }
  std::string out = y.isText() ? y.text() : num2str(y.scalar());
  console.display("stemp", out);
  box.set("String", out);
  return y;
}

}  // namespace varnok::shell
