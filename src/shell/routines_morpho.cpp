// Adapters from Values to the morphometric routines, for calls by name.
//
// The table has already checked the counts against the declarations; here a
// missing required input is the runtime's "Not enough input arguments." (the
// table names the routine) and
// optional trailing inputs take their defaults.
#include "morpho/basereg.hpp"
#include "morpho/centroid.hpp"
#include "morpho/checkpcaRoot.hpp"
#include "morpho/eigsort.hpp"
#include "morpho/getconsensus.hpp"
#include "morpho/getpsup.hpp"
#include "morpho/getpw_arbit.hpp"
#include "morpho/meth3sup.hpp"
#include "morpho/refstandardize.hpp"
#include "morpho/reversepw6u.hpp"
#include "morpho/reversepwarb.hpp"
#include "morpho/rftra.hpp"
#include "morpho/scpcoeff_arbrot.hpp"
#include "morpho/tps.hpp"
#include "morpho/uniform.hpp"
#include "morpho/vertxy.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "session/call_env.hpp"
#include "shell/routines.hpp"

namespace varnok::shell {

namespace {

namespace m = varnok::morpho;

using session::CallEnv;

const Value& arg(const ValueList& args, std::size_t i) {
  return session::inputAt(args, i);
}

const Mat& mat(const ValueList& args, std::size_t i) {
  return arg(args, i).matrix();
}
double num(const ValueList& args, std::size_t i) {
  return arg(args, i).scalar();
}

ValueList one(Mat v) {
  return {Value(std::move(v))};
}

}  // namespace

void bindMorphoRoutines(RoutineBindings& b) {
  b["centpos"] = [](CallEnv&, const ValueList& a, int) { return one(m::centpos(mat(a, 0))); };
  b["centsize"] = [](CallEnv&, const ValueList& a, int) { return one(m::centsize(mat(a, 0))); };
  b["centerref"] = [](CallEnv&, const ValueList& a, int) { return one(m::centerref(mat(a, 0))); };
  b["getconsensus"] = [](CallEnv& env, const ValueList& a, int nargout) {
    m::ConsensusOptions opt;
    opt.withFitted = nargout >= 2;
    opt.console = &env.console;
    m::Consensus c = m::getconsensus(mat(a, 0), opt);
    ValueList out = one(std::move(c.y));
    if (nargout >= 2) out.emplace_back(std::move(c.xpt));
    return out;
  };
  b["getpsup"] = [](CallEnv&, const ValueList& a, int) {
    return one(m::getpsup(mat(a, 0), mat(a, 1)));
  };
  b["refstandardize"] = [](CallEnv&, const ValueList& a, int) {
    return one(m::refstandardize(mat(a, 0)));
  };
  b["checkpcaRoot"] = [](CallEnv&, const ValueList& a, int) {
    return one(Mat::Constant(1, 1, m::checkpcaRoot(num(a, 0), num(a, 1), num(a, 2))));
  };
  b["basereg"] = [](CallEnv&, const ValueList& a, int) {
    return one(m::basereg(mat(a, 0), num(a, 1), num(a, 2)));
  };
  b["meth3sup"] = [](CallEnv&, const ValueList& a, int) { return one(m::meth3sup(mat(a, 0))); };
  b["rftra"] = [](CallEnv& env, const ValueList& a, int) {
    return one(m::rftra(mat(a, 0), mat(a, 1), &env.console));
  };
  b["uspline"] = [](CallEnv&, const ValueList& a, int) {
    return one(Mat::Constant(1, 1, m::uspline(mat(a, 0), mat(a, 1))));
  };
  b["gettspl"] = [](CallEnv&, const ValueList& a, int) { return one(m::gettspl(mat(a, 0))); };
  b["wsspline"] = [](CallEnv&, const ValueList& a, int) {
    return one(Mat::Constant(1, 1, m::wsspline(mat(a, 0), mat(a, 1), mat(a, 2))));
  };
  b["gettpse"] = [](CallEnv&, const ValueList& a, int) { return one(m::gettpse(mat(a, 0))); };
  // testref (the last input of both) is accepted and has no effect.
  b["getpw_arbit"] = [](CallEnv&, const ValueList& a, int nargout) {
    ValueList out = one(m::getpw_arbit(mat(a, 0), mat(a, 1)));
    if (nargout >= 2) out.push_back(out[0]);  // the second output is the same matrix
    return out;
  };
  b["scpcoeff_arbrot"] = [](CallEnv&, const ValueList& a, int) {
    return one(m::scpcoeff_arbrot(mat(a, 0), mat(a, 1), mat(a, 2)));
  };
  b["uniparmproc"] = [](CallEnv&, const ValueList& a, int) {
    return one(m::uniparmproc(mat(a, 0)));
  };
  b["formrotate"] = [](CallEnv&, const ValueList& a, int) {
    return one(m::formrotate(mat(a, 0), num(a, 1)));
  };
  b["UniArbitrary"] = [](CallEnv&, const ValueList& a, int) {
    return one(m::UniArbitrary(mat(a, 0)));
  };
  b["eigsort"] = [](CallEnv&, const ValueList& a, int nargout) {
    m::EigSorted e = m::eigsort(mat(a, 0), mat(a, 1));
    ValueList out = one(std::move(e.VR));
    if (nargout >= 2) out.emplace_back(std::move(e.DR));
    return out;
  };
  b["reversepwarb"] = [](CallEnv& env, const ValueList& a, int) {
    return one(m::reversepwarb(mat(a, 0), mat(a, 1), &env.console));
  };
  b["reversepw6u"] = [](CallEnv& env, const ValueList& a, int) {
    return one(m::reversepw6u(mat(a, 0), mat(a, 1), &env.console));
  };
  b["vertxy"] = [](CallEnv&, const ValueList& a, int) { return one(m::vertxy(mat(a, 0))); };
  b["xyfromvert"] = [](CallEnv&, const ValueList& a, int) {
    return one(m::xyfromvert(mat(a, 0), num(a, 1)));
  };
}

}  // namespace varnok::shell
