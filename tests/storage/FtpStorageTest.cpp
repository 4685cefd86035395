#include <memory>

#include "storage/FtpStorage.h"
#include "storage/FtpTestServer.h"
#include "storage/StorageConformance.h"

namespace {

TStorageBackEnd FtpBackEnd(const std::string& name, bool passive) {
    TStorageBackEnd backEnd;
    backEnd.name = name;
    backEnd.prepare = [passive](TTask& task, const QString& folder) -> std::shared_ptr<void> {
        auto server = std::make_shared<TFtpTestServer>();
        QString error;
        if (!server->Start(folder, TFtpTestServer::TOptions(), error)) {
            ADD_FAILURE() << error.toStdString();
            return nullptr;
        }
        server->PointTask(task);
        task.DestFTP_PassiveMode = passive;
        return server;
    };
    backEnd.make = [](TRunContext& context) { return std::make_unique<TFtpStorage>(context); };
    backEnd.storedPathOf = [](const TTask& task, const QString& sourcePath) {
        return task.FtpDestinationPathOf(sourcePath);
    };
    backEnd.copiesBack = false;
    backEnd.keepsDamagedIndex = false;
    return backEnd;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Ftp, StorageConformance,
                         ::testing::Values(FtpBackEnd("ActiveFtp", false), FtpBackEnd("PassiveFtp", true)),
                         [](const ::testing::TestParamInfo<TStorageBackEnd>& info) {
                             return info.param.name;
                         });
