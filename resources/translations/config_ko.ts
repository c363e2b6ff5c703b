<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR" sourcelanguage="en">
<context>
    <name>ConfMessages</name>
    <message>
        <source>Scan</source>
        <translation>검색</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>중지</translation>
    </message>
    <message>
        <source>This is an unsupported device.</source>
        <translation>지원하지 않는 장치입니다.</translation>
    </message>
    <message>
        <source>This program is for the sKW52x and DTQ-50 series only.
Please check the product name, communication port, etc., and try again.</source>
        <translation>장치 상태를 확인할 수 없습니다. 통신 속도 등을 확인하시고 다시 시도해 주세요</translation>
    </message>
    <message>
        <source>Node (device) registration has been completed</source>
        <translation>슬롯 설정을 완료하였습니다.</translation>
    </message>
    <message>
        <source>Failed to register node (device).</source>
        <translation>슬롯 설정을 실패하였습니다.</translation>
    </message>
    <message>
        <source>Completed device name settings.</source>
        <translation>장치 이름 설정을 완료하였습니다.</translation>
    </message>
    <message>
        <source>Failed device name settings.</source>
        <translation>장치 이름 설정을 실패하였습니다.</translation>
    </message>
    <message>
        <source>Setting advertising interval has been completed.</source>
        <translation>애드버타이징 간격 설정이 완료되었습니다.</translation>
    </message>
    <message>
        <source>Failed to save advertising interval.</source>
        <translation>애드버타이징 간격 설정을 실패하였습니다.</translation>
    </message>
    <message>
        <source>The UART settings for the device have been completed. The device has restarted to apply the changed settings.</source>
        <translation>장치의 UART 설정이 완료되었습니다. 변경한 설정이 적용되도록 장치가 재시작 되었습니다.</translation>
    </message>
    <message>
        <source>Failed to configure UART settings.</source>
        <translation>장치의 UART 설정을 실패하였습니다.</translation>
    </message>
    <message>
        <source>The UART settings were sent, but the device did not confirm its restart. Check the device and its port speed.</source>
        <translation>UART 설정을 보냈지만 장치가 재시작을 확인하지 않았습니다. 장치와 포트 속도를 확인해 주세요.</translation>
    </message>
    <message>
        <source>The device name is too long.</source>
        <translation>장치 이름이 너무 깁니다.</translation>
    </message>
    <message>
        <source>Reset to factory settings. Are you sure you want to continue?</source>
        <translation>공장 초기화를 실행합니다. 계속 하시겠습니까?</translation>
    </message>
    <message>
        <source>Invalid advertising interval value.</source>
        <translation>애드버타이징 간격 값이 설정할 수 있는 범위를 넘어섰습니다.</translation>
    </message>
    <message>
        <source>Error on COM port. Closing the port.</source>
        <translation>COM 포트 오류. 포트를 닫습니다.</translation>
    </message>
    <message>
        <source>Invalid Bluetooth address.</source>
        <translation>잘못된 블루투스 주소입니다.</translation>
    </message>
    <message>
        <source>No device selected in the scanned devices list.</source>
        <translation>검색된 장치 목록에서 선택된 장치가 없습니다.</translation>
    </message>
    <message>
        <source>The device is already assigned to a slot.</source>
        <translation>해당 장치는 이미 슬롯에 할당되어 있습니다.</translation>
    </message>
    <message>
        <source>Duplicated Bluetooth addresses are assigned to slot</source>
        <translation>Slot에 중복된 블루투스 주소 할당되어 있습니다.</translation>
    </message>
    <message>
        <source>Device Address</source>
        <translation>장치 주소</translation>
    </message>
    <message>
        <source>Device Name</source>
        <translation>장치 이름</translation>
    </message>
    <message>
        <source>Completed automatic reconnection settings.</source>
        <translation>자동 연결 기능 설정을 완료하였습니다.</translation>
    </message>
    <message>
        <source>Failed to configure automatic reconnection settings.</source>
        <translation>자동 연결 기능 설정을 실패하였습니다.</translation>
    </message>
    <message>
        <source>Completed operation role settings.</source>
        <translation>동작 role 설정을 완료하였습니다.</translation>
    </message>
    <message>
        <source>Failed to configure operation role setting.</source>
        <translation>동작 role 설정을 실패하였습니다.</translation>
    </message>
    <message>
        <source>Master device registered successfully.</source>
        <translation>Master 장치 등록을 완료하였습니다.</translation>
    </message>
    <message>
        <source>Failed to register the master device.</source>
        <translation>Master 장치 등록을 실패하였습니다.</translation>
    </message>
    <message>
        <source>Successfully delete the master devices.</source>
        <translation>Master 장치 삭제를 완료하였습니다.</translation>
    </message>
    <message>
        <source>Failed to delete the master device.</source>
        <translation>Master 장치 삭제를 실패하였습니다.</translation>
    </message>
    <message>
        <source>Slot %1: Invalid Bluetooth address.</source>
        <translation>Slot %1: 블루투스 주소가 잘못되었습니다.</translation>
    </message>
    <message>
        <source>RSSI</source>
        <translation>RSSI</translation>
    </message>
    <message>
        <source>The name must not contain control characters such as line breaks or tabs. Nothing was sent.</source>
        <translation>이름에 줄 바꿈이나 탭 같은 제어 문자를 넣을 수 없습니다. 아무것도 보내지 않았습니다.</translation>
    </message>
    <message>
        <source>Slot %1: the name must not contain commas or control characters such as line breaks. Nothing was sent.</source>
        <translation>Slot %1: 이름에 쉼표나 줄 바꿈 같은 제어 문자를 넣을 수 없습니다. 아무것도 보내지 않았습니다.</translation>
    </message>
    <message>
        <source>Cannot read the settings file %1: %2</source>
        <translation>설정 파일 %1을(를) 읽을 수 없습니다: %2</translation>
    </message>
    <message>
        <source>Cannot write the settings file %1: %2</source>
        <translation>설정 파일 %1을(를) 쓸 수 없습니다: %2</translation>
    </message>
    <message>
        <source>The settings file is not valid JSON.</source>
        <translation>설정 파일이 올바른 JSON이 아닙니다.</translation>
    </message>
    <message>
        <source>Unknown field in the settings file: %1</source>
        <translation>설정 파일에 알 수 없는 항목이 있습니다: %1</translation>
    </message>
    <message>
        <source>Wrong type of field in the settings file: %1</source>
        <translation>설정 파일 항목의 형식이 잘못되었습니다: %1</translation>
    </message>
    <message>
        <source>Invalid value of field in the settings file: %1</source>
        <translation>설정 파일 항목의 값이 잘못되었습니다: %1</translation>
    </message>
    <message>
        <source>Field %1 of the settings file needs the role multi-at or multi-bypass.</source>
        <translation>설정 파일의 %1 항목은 multi-at 또는 multi-bypass 역할에서만 쓸 수 있습니다.</translation>
    </message>
    <message>
        <source>The module already has every setting of the file.</source>
        <translation>모듈에 설정 파일의 모든 설정이 이미 되어 있습니다.</translation>
    </message>
    <message>
        <source>Field %1 of the settings file is not available on the %2 in the role it would have. Nothing was sent.</source>
        <translation>설정 파일의 %1 항목은 %2의 해당 동작 역할에서 쓸 수 없습니다. 아무것도 보내지 않았습니다.</translation>
    </message>
    <message>
        <source>The settings of the file have been applied, and the module has been read again.</source>
        <translation>설정 파일의 설정을 적용하고 모듈을 다시 읽었습니다.</translation>
    </message>
    <message>
        <source>Slot %1: invalid name length.</source>
        <translation>Slot %1: TAG 길이가 잘못되었습니다.</translation>
    </message>
    <message>
        <source>The settings file %1 is larger than 1 MiB; it is not read.</source>
        <translation>설정 파일 %1이(가) 1 MiB보다 커서 읽지 않습니다.</translation>
    </message>
    <message>
        <source>Missing field in the settings file: %1</source>
        <translation>설정 파일에 필드가 없습니다: %1</translation>
    </message>
    <message>
        <source>Field given twice in the settings file: %1</source>
        <translation>설정 파일에 같은 필드가 두 번 있습니다: %1</translation>
    </message>
    <message>
        <source>The device name must not contain commas: the module would cut it there. Nothing was sent.</source>
        <translation>장치명에는 쉼표를 쓸 수 없습니다. 모듈이 그 자리에서 이름을 자릅니다. 아무것도 보내지 않았습니다.</translation>
    </message>
</context>
<context>
    <name>ConfPageLayout</name>
    <message>
        <source>[ Device information ]</source>
        <translation>[ 장치 정보 ]</translation>
    </message>
    <message>
        <source>Model name</source>
        <translation>모델명</translation>
    </message>
    <message>
        <source>Firmware ver.</source>
        <translation>펌웨어 버전</translation>
    </message>
    <message>
        <source>Bluetooth addr.</source>
        <translation>블루투스 주소 </translation>
    </message>
    <message>
        <source>Update</source>
        <translation>정보 갱신</translation>
    </message>
    <message>
        <source>Reboot</source>
        <translation>장치 재시작</translation>
    </message>
    <message>
        <source>Factory reset</source>
        <translation>공장 초기화</translation>
    </message>
    <message>
        <source>[ UART options ]</source>
        <translation>[ 통신 설정 ]</translation>
    </message>
    <message>
        <source>Baudrate</source>
        <translation>통신 속도</translation>
    </message>
    <message>
        <source>Flow control</source>
        <translation>흐름 제어</translation>
    </message>
    <message>
        <source>Apply</source>
        <comment>UART options</comment>
        <translation> 적용</translation>
    </message>
    <message>
        <source>[ Operation role ]</source>
        <translation>[ 동작 Role ]</translation>
    </message>
    <message>
        <source>Slave</source>
        <translation>Slave</translation>
    </message>
    <message>
        <source>Master(1:1)</source>
        <translation>Master(1:1)</translation>
    </message>
    <message>
        <source>Multi (AT Cmd.)</source>
        <translation>Multi (AT명령어 모드)</translation>
    </message>
    <message>
        <source>Multi (Bypass)</source>
        <translation>Multi (Bypass 모드)</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>적용</translation>
    </message>
    <message>
        <source>[ Slave function ]</source>
        <translation>[ Slave 기능 ]</translation>
    </message>
    <message>
        <source>Device name</source>
        <translation>장치 이름</translation>
    </message>
    <message>
        <source>Adv. Interval</source>
        <translation>Advertising 간격</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>이름 변경</translation>
    </message>
    <message>
        <source>msec</source>
        <translation>msec</translation>
    </message>
    <message>
        <source>[ Master, multipoint function ]</source>
        <translation>[ Master, Multi 기능 ]</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>OFF</translation>
    </message>
    <message>
        <source>ON</source>
        <translation>ON</translation>
    </message>
    <message>
        <source>Automatic connection upon power-on</source>
        <translation>전원 인가시 자동 연결</translation>
    </message>
    <message>
        <source>Device scan</source>
        <translation>장치 검색</translation>
    </message>
    <message>
        <source>Name filter</source>
        <translation>장치명 필터</translation>
    </message>
    <message>
        <source>RSSI filter</source>
        <translation>RSSI 필터</translation>
    </message>
    <message>
        <source>Reigster master device</source>
        <translation>Master 장치 등록</translation>
    </message>
    <message>
        <source>Copy to master device</source>
        <translation>Master 장치로 복사</translation>
    </message>
    <message>
        <source>Master device address</source>
        <translation>Master 장치 주소</translation>
    </message>
    <message>
        <source>Reg.</source>
        <translation>등록</translation>
    </message>
    <message>
        <source>Del.</source>
        <translation>삭제 </translation>
    </message>
    <message>
        <source>Registerd devices</source>
        <translation>장치 등록</translation>
    </message>
    <message>
        <source>Bluetooth address</source>
        <translation>블루투스 주소</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>저장</translation>
    </message>
    <message>
        <source>Copy to slot %1</source>
        <translation>Slot %1에 복사</translation>
    </message>
    <message>
        <source>Slot %1 address</source>
        <translation>Slot %1 주소</translation>
    </message>
    <message>
        <source>Slot %1 name</source>
        <translation>Slot %1 이름</translation>
    </message>
    <message>
        <source>Empty slot %1</source>
        <translation>Slot %1 비우기</translation>
    </message>
</context>
</TS>
