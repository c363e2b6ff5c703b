#include "PortChannel.h"

#include "CSerialportMP.h"
#include "NetworkChannel.h"

#include <stdexcept>

PortChannel::Ptr MakeChannelFor(asio::io_context& ioContext, const std::string& portName) {
    if (IsNetworkPort(portName)) {
        return std::make_shared<NetworkChannel>(ioContext);
    }
    return std::make_shared<CSerialportMP>(ioContext);
}

AnyPortChannel::AnyPortChannel(asio::io_context& ioContext) : m_ioContext(ioContext) {}

AnyPortChannel::~AnyPortChannel() {
    if (const Ptr inner = Current()) {
        inner->Close();
    }
}

PortChannel::Ptr AnyPortChannel::Current() const {
    std::lock_guard lock(m_innerLock);
    return m_inner;
}

// The inner channel's callbacks reach this channel's through a weak pointer: the inner channel
// is owned by this one, and a handler still queued in a stopped io_context may outlive both.
void AnyPortChannel::Attach(const Ptr& inner) {
    const std::weak_ptr<PortChannel> weakSelf = weak_from_this();
    inner->m_onReceive = [weakSelf](Ptr, std::error_code& error,
                                    const std::vector<std::uint8_t>& data, unsigned int size) {
        if (const Ptr self = weakSelf.lock(); self && self->m_onReceive) {
            self->m_onReceive(self, error, data, size);
        }
    };
    inner->m_onWriteComplete = [weakSelf](Ptr, std::error_code& error, unsigned int size) {
        if (const Ptr self = weakSelf.lock(); self && self->m_onWriteComplete) {
            self->m_onWriteComplete(self, error, size);
        }
    };
}

std::error_code AnyPortChannel::Open(const std::string& portName, const PortSettings& settings) {
    if (weak_from_this().expired()) {
        throw std::runtime_error("AnyPortChannel must be owned by a std::shared_ptr");
    }
    const bool network = IsNetworkPort(portName);
    Ptr inner;
    {
        std::lock_guard lock(m_innerLock);
        if (m_inner && m_inner->IsOpen()) {
            return std::make_error_code(std::errc::device_or_resource_busy);
        }
        if (!m_inner || m_innerIsNetwork != network) {
            m_inner = MakeChannelFor(m_ioContext, portName);
            m_innerIsNetwork = network;
            Attach(m_inner);
        }
        inner = m_inner;
    }
    inner->m_leaveModemLines = m_leaveModemLines;
    return inner->Open(portName, settings);
}

void AnyPortChannel::Close() {
    if (const Ptr inner = Current()) {
        inner->Close();
    }
}

std::size_t AnyPortChannel::Write(const void* data, std::size_t length) {
    const Ptr inner = Current();
    return inner ? inner->Write(data, length) : 0;
}

bool AnyPortChannel::IsOpen() const {
    const Ptr inner = Current();
    return inner && inner->IsOpen();
}

void AnyPortChannel::Discard() {
    if (const Ptr inner = Current()) {
        inner->Discard();
    }
}

namespace {

std::error_code Closed() {
    return std::make_error_code(std::errc::bad_file_descriptor);
}

}  // namespace

std::error_code AnyPortChannel::ForwardedLines::SetDtr(bool asserted) {
    const Ptr inner = m_owner.Current();
    return inner ? inner->ModemLines().SetDtr(asserted) : Closed();
}

std::error_code AnyPortChannel::ForwardedLines::SetRts(bool asserted) {
    const Ptr inner = m_owner.Current();
    return inner ? inner->ModemLines().SetRts(asserted) : Closed();
}

std::error_code AnyPortChannel::ForwardedLines::ReadInputs(ModemLineState& state) {
    const Ptr inner = m_owner.Current();
    return inner ? inner->ModemLines().ReadInputs(state) : Closed();
}

std::error_code AnyPortChannel::ForwardedLines::SetBreak(bool on) {
    const Ptr inner = m_owner.Current();
    return inner ? inner->ModemLines().SetBreak(on) : Closed();
}
