// The endpoint-volume back-end against fake devices, without a panel: sets,
// notifications, failure texts, the notification objects' interfaces, line
// changes and default-device changes.
#include <gtest/gtest.h>

#include "audio/EndpointVolumeBackEnd.h"
#include "audio_fake_endpoint.h"
#include "audio_test_support.h"
#include "controller/RegisterMap.h"

namespace {

class AudioEndpoint : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.sim);
        speakers = &devices->AddDevice(L"speakers", 0.5f);
        devices->AddDevice(L"headphones", 0.75f);
        rig.state.useEndpointVolume = 1;
        audio = std::make_unique<AudioDevice>(rig.Context(), [this](const AudioContext& context) {
            return std::make_unique<EndpointVolumeBackEnd>(
                context, [this](IMMDeviceEnumerator** enumerator) {
                    return enumeratorAvailable ? devices.CopyTo(enumerator) : REGDB_E_CLASSNOTREG;
                });
        });
        audio->OpenAudio(nullptr);
    }

    ComPtr<IMMNotificationClient> Client() {
        const auto clients = devices->Clients();
        return clients.size() == 1 ? clients[0] : nullptr;
    }
    static ComPtr<IAudioEndpointVolumeCallback> CallbackOf(FakeDevice& device) {
        const auto callbacks = device.Endpoint().Callbacks();
        return callbacks.size() == 1 ? callbacks[0] : nullptr;
    }

    // The default multimedia (or other role's) device changes to id, told on
    // a thread of the audio service's own.
    void DefaultDeviceChanges(ERole role, const wchar_t* id) {
        ComPtr<IMMNotificationClient> client = Client();
        ASSERT_TRUE(client);
        std::thread service([&] { client->OnDefaultDeviceChanged(eRender, role, id); });
        service.join();
    }

    // The register writes after seq, once the requests are carried out.
    std::string Writes(uint64_t seq) {
        rig.requests.RunQueued();
        return WritesAfter(sim, seq);
    }

    AudioRig rig;
    KeypadSimClient& sim = *rig.sim;
    PanelState& state = rig.state;
    std::atomic<bool> enumeratorAvailable{true};
    ComPtr<FakeDeviceEnumerator> devices = MakeComObject<FakeDeviceEnumerator>();
    FakeDevice* speakers = nullptr;
    std::unique_ptr<AudioDevice> audio; // goes before the fakes
};

TEST_F(AudioEndpoint, SetsReachTheDeviceAndComeBackAsReports) {
    const struct {
        int32_t steps;
        float scalar;
    } volumes[] = {{0, 0.0f}, {7, 0.35f}, {13, 0.65f}, {20, 1.0f}};
    for (const auto& v : volumes) {
        state.audioVolume = -1;
        audio->SetAudioVolume(v.steps);
        EXPECT_EQ(speakers->Endpoint().Level(), v.scalar) << v.steps << " steps";
        EXPECT_EQ(state.audioVolume, v.steps) << "reported back by the volume callback";
    }
    for (int32_t flag : {1, 0, 1}) {
        audio->SetAudioMute(flag);
        EXPECT_EQ(speakers->Endpoint().Muted(), flag == 1);
        EXPECT_EQ(state.audioMute & 1, flag);
    }
}

TEST_F(AudioEndpoint, ChangesMadeInWindowsReachTheReportFields) {
    FakeEndpointVolume& endpoint = speakers->Endpoint();
    endpoint.SetMasterVolumeLevelScalar(0.5f, nullptr);
    EXPECT_EQ(state.audioVolume, 10);
    endpoint.SetMasterVolumeLevelScalar(0.53f, nullptr);
    EXPECT_EQ(state.audioVolume, 11);
    state.audioMute = 0xFE;
    endpoint.SetMute(TRUE, nullptr);
    EXPECT_EQ(state.audioMute, 0xFF);
    endpoint.SetMute(FALSE, nullptr);
    EXPECT_EQ(state.audioMute, 0xFE);
}

TEST_F(AudioEndpoint, FailedSetsShowTheirTexts) {
    const struct {
        HRESULT answer;
        std::vector<std::string> mute, volume; // texts shown
    } cases[] = {
        {E_INVALIDARG, {"Mute E_INVALIDARG"}, {"Volume E_INVALIDARG"}},
        {E_OUTOFMEMORY, {"E_OUTOFMEMORY"}, {"E_OUTOFMEMORY"}},
        {E_NOTIMPL, {}, {}},
        {E_FAIL, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        speakers->Endpoint().AnswerSets(c.answer);
        EXPECT_EQ(MessageBoxesDuring([&] { audio->SetAudioMute(1); }), c.mute);
        EXPECT_EQ(MessageBoxesDuring([&] { audio->SetAudioVolume(5); }), c.volume);
        EXPECT_FALSE(speakers->Endpoint().Muted());
    }
}

TEST_F(AudioEndpoint, NotificationObjectsAnswerOnlyTheirOwnInterfaces) {
    const ComPtr<IUnknown> objects[] = {CallbackOf(*speakers), Client()};
    ASSERT_TRUE(objects[0] && objects[1]);
    const IID own[] = {__uuidof(IAudioEndpointVolumeCallback), __uuidof(IMMNotificationClient)};
    const IID foreign[] = {__uuidof(IMMNotificationClient), __uuidof(IAudioEndpointVolumeCallback),
                           __uuidof(IAudioEndpointVolume), __uuidof(IMMDevice),
                           __uuidof(IClassFactory)};
    for (int i = 0; i < 2; ++i) {
        IUnknown* object = objects[i].Get();
        for (const IID& iid : {__uuidof(IUnknown), own[i]}) {
            const ULONG before = object->AddRef() - 1;
            object->Release();
            void* result = nullptr;
            ASSERT_EQ(object->QueryInterface(iid, &result), S_OK);
            EXPECT_EQ(result, static_cast<void*>(object)) << "one interface, one pointer";
            EXPECT_EQ(object->Release(), before) << "the answer held one reference";
        }
        for (const IID& iid : foreign) {
            if (IsEqualIID(iid, own[i]))
                continue;
            void* result = &result;
            EXPECT_EQ(object->QueryInterface(iid, &result), E_NOINTERFACE);
            EXPECT_EQ(result, nullptr);
        }
    }
}

TEST_F(AudioEndpoint, LineChangesReplaceTheWholeSet) {
    // The test keeps a reference to every set it sees; once replaced, the
    // test's must be the last one left.
    std::vector<ComPtr<IAudioEndpointVolumeCallback>> callbacks{CallbackOf(*speakers)};
    std::vector<ComPtr<IMMNotificationClient>> clients{Client()};
    for (int change = 0; change < 10; ++change) {
        state.skipSliderEcho = 7;
        audio->OnMixerLineChange(nullptr);
        EXPECT_EQ(state.skipSliderEcho, kNoSliderEcho);
        callbacks.push_back(CallbackOf(*speakers));
        clients.push_back(Client());
        ASSERT_TRUE(callbacks.back()) << "exactly one volume callback registered";
        ASSERT_TRUE(clients.back()) << "exactly one device client registered";
        EXPECT_NE(callbacks.back().Get(), callbacks[change].Get());
        EXPECT_NE(clients.back().Get(), clients[change].Get());
    }
    for (size_t i = 0; i + 1 < callbacks.size(); ++i) {
        EXPECT_EQ(callbacks[i].Reset(), 0u) << "volume callback of set " << i << " leaked";
        EXPECT_EQ(clients[i].Reset(), 0u) << "device client of set " << i << " leaked";
    }
    speakers->Endpoint().SetMasterVolumeLevelScalar(0.25f, nullptr);
    EXPECT_EQ(state.audioVolume, 5) << "the last set reports";
}

TEST_F(AudioEndpoint, DefaultDeviceChangeOfTheMultimediaRoleWritesItsLevel) {
    FakeDevice& headphones = devices->Device(L"headphones");
    for (ERole role : {eConsole, eCommunications}) {
        const uint64_t seq = LastSeq(sim);
        DefaultDeviceChanges(role, L"headphones");
        EXPECT_EQ(Writes(seq), "") << "role " << role;
        EXPECT_TRUE(CallbackOf(*speakers)) << "still on the speakers";
    }

    const uint64_t seq = LastSeq(sim);
    state.audioVolume = 3;
    DefaultDeviceChanges(eMultimedia, L"headphones");
    EXPECT_EQ(Writes(seq), "W9=15");
    EXPECT_EQ(state.audioVolume, 3) << "the controller learns the level directly";
    EXPECT_TRUE(speakers->Endpoint().Callbacks().empty()) << "the old device reports no more";
    ASSERT_TRUE(CallbackOf(headphones));

    headphones.Endpoint().SetMasterVolumeLevelScalar(0.25f, nullptr);
    EXPECT_EQ(state.audioVolume, 5);
    audio->SetAudioMute(1);
    EXPECT_TRUE(headphones.Endpoint().Muted());
    EXPECT_FALSE(speakers->Endpoint().Muted());

    // A device the enumerator does not know: the current one stays and its
    // level is written.
    const uint64_t unknownSeq = LastSeq(sim);
    DefaultDeviceChanges(eMultimedia, L"gone");
    EXPECT_EQ(Writes(unknownSeq), "W9=5");
    EXPECT_TRUE(CallbackOf(headphones));
}

TEST_F(AudioEndpoint, DefaultDeviceChangeDuringALineChangeIsCarriedOutAfterIt) {
    // The change comes while the new set is being built: its device client is
    // registered, but the set is not yet in place.
    FakeDevice& headphones = devices->Device(L"headphones");
    devices->BeforeDefaultDevice([this] {
        devices->SetDefault(L"headphones");
        const auto clients = devices->Clients();
        ASSERT_EQ(clients.size(), 1u) << "only the new set's client is registered";
        clients[0]->OnDefaultDeviceChanged(eRender, eMultimedia, L"headphones");
    });
    const uint64_t seq = LastSeq(sim);
    audio->OnMixerLineChange(nullptr);
    devices->BeforeDefaultDevice(nullptr);
    EXPECT_EQ(Writes(seq), "W9=15") << "the new default's level reaches the controller";
    EXPECT_TRUE(CallbackOf(headphones));
    EXPECT_TRUE(speakers->Endpoint().Callbacks().empty());
}

TEST_F(AudioEndpoint, WithoutAnEndpointNothingIsDoneUntilTheNextLineChange) {
    FakeDevice& headphones = devices->Device(L"headphones");
    const struct {
        const char* failure;
        std::function<void()> fail, repair;
    } cases[] = {
        {"no device enumerator", [this] { enumeratorAvailable = false; },
         [this] { enumeratorAvailable = true; }},
        {"no default device", [this] { devices->SetDefault(L"none"); },
         [this] { devices->SetDefault(L"speakers"); }},
        {"default device not activated", [this] { speakers->RefuseActivation(true); },
         [this] { speakers->RefuseActivation(false); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failure);
        c.fail();
        audio->OnMixerLineChange(nullptr);
        const uint64_t seq = LastSeq(sim);
        EXPECT_EQ(MessageBoxesDuring([this] {
                      audio->SetAudioMute(1);
                      audio->SetAudioVolume(4);
                  }),
                  std::vector<std::string>{});
        EXPECT_FALSE(speakers->Endpoint().Muted());
        if (Client())
            DefaultDeviceChanges(eMultimedia, L"headphones");
        EXPECT_EQ(Writes(seq), "");
        EXPECT_TRUE(headphones.Endpoint().Callbacks().empty());

        c.repair();
        audio->OnMixerLineChange(nullptr);
        audio->SetAudioVolume(4);
        EXPECT_EQ(speakers->Endpoint().Level(), 0.2f);
        EXPECT_EQ(state.audioVolume, 4);
    }

    // A new default device that cannot be activated: the old one is left
    // too, and the next line change starts again from the default.
    headphones.RefuseActivation(true);
    const uint64_t seq = LastSeq(sim);
    DefaultDeviceChanges(eMultimedia, L"headphones");
    EXPECT_EQ(Writes(seq), "");
    EXPECT_TRUE(speakers->Endpoint().Callbacks().empty());
    audio->SetAudioVolume(9);
    EXPECT_EQ(speakers->Endpoint().Level(), 0.2f);
    audio->OnMixerLineChange(nullptr);
    audio->SetAudioVolume(9);
    EXPECT_EQ(speakers->Endpoint().Level(), 0.45f);
}

} // namespace
