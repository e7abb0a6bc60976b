#include "platform/FftwRealFft.h"

#include <fftw3.h>

#include <algorithm>
#include <cstring>

namespace qx::platform {

struct FftwRealFft::Buffers {
  double* in = nullptr;
  fftw_complex* out = nullptr;
  fftw_plan plan = nullptr;
  ~Buffers() {
    if (plan) fftw_destroy_plan(plan);
    fftw_free(out);
    fftw_free(in);
  }
};

std::unique_ptr<FftwRealFft> FftwRealFft::Create(int size, Planning planning) {
  if (size < 2) return nullptr;
  auto b = std::make_unique<Buffers>();
  const auto n = static_cast<size_t>(size);
  b->in = fftw_alloc_real(n);
  b->out = fftw_alloc_complex(n / 2 + 1);
  if (!b->in || !b->out) return nullptr;
  // FFTW_MEASURE overwrites the buffers while it plans: the plan is made before data goes in.
  const unsigned flags = planning == Planning::Measure ? FFTW_MEASURE : FFTW_ESTIMATE;
  b->plan = fftw_plan_dft_r2c_1d(size, b->in, b->out, flags);
  if (!b->plan) return nullptr;
  return std::unique_ptr<FftwRealFft>(new FftwRealFft(size, std::move(b)));
}

FftwRealFft::FftwRealFft(int size, std::unique_ptr<Buffers> buffers)
    : size_(size), buffers_(std::move(buffers)) {}

FftwRealFft::~FftwRealFft() = default;

std::span<const std::complex<double>> FftwRealFft::Forward(std::span<const double> in) {
  const auto n = static_cast<size_t>(size_);
  const size_t copied = std::min(in.size(), n);
  std::copy_n(in.data(), copied, buffers_->in);
  std::fill(buffers_->in + copied, buffers_->in + n, 0.0);
  fftw_execute(buffers_->plan);
  // fftw_complex is double[2], laid out as std::complex<double> (FFTW documents the match).
  return {reinterpret_cast<const std::complex<double>*>(buffers_->out), n / 2 + 1};
}

analysis::RealFftFactory FftwRealFftFactory(FftwRealFft::Planning planning) {
  return [planning](int size) -> std::unique_ptr<analysis::RealFft> {
    return FftwRealFft::Create(size, planning);
  };
}

}  // namespace qx::platform
