// A medium on the build machine, shown to the simulated Windows at the root of drive E:. Paths
// there are the medium's names, in the machine's ANSI code page, which Windows converts to the
// medium's Unicode names; the temporary directory is the simulated Windows' own; any other path
// names a file of the target machine, which this one cannot tell.
#pragma once

#include "medium.h"

#include <string>
#include <utility>

class DriveMedium : public Medium {
  public:
    explicit DriveMedium(std::string given) : given_(std::move(given)) {}
    std::string LoaderPath() const override;
    std::string Directory() const override {
        return given_;
    }
    MachineFile LookUp(const std::string &path) override;

  protected:
    // What a name relative to the medium names, '\' or '/' between names; "" is its root.
    virtual MachineFile LookUpName(const std::u16string &name) = 0;

  private:
    std::string given_;
};
