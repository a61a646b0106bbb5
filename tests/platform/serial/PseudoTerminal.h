#pragma once

#include <string>
#include <vector>

// A pseudo-terminal pair: the port under test is the slave device, the test plays the far
// end through the master.
class PseudoTerminal {
  public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& slavePath() const { return slavePath_; }
    int master() const { return master_; }

    void write(const std::vector<unsigned char>& bytes) const;
    // The far end goes away, as when the cable is pulled.
    void hangUp();
    // Reads until count bytes came or the time ran out.
    std::vector<unsigned char> read(size_t count, int timeoutMs = 2000) const;

  private:
    int master_ = -1;
    int slave_ = -1;  // kept open so the pair survives the port's close
    std::string slavePath_;
};

std::vector<unsigned char> allByteValues();
