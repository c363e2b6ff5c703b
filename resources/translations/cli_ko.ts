<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR" sourcelanguage="en">
<context>
    <name>SkwCli</name>
    <message>
        <source>Operation role</source>
        <translation>동작 Role</translation>
    </message>
    <message>
        <source>Slot %1</source>
        <translation>Slot %1</translation>
    </message>
    <message>
        <source>Confirm with --yes.</source>
        <translation>--yes 옵션으로 확인해 주세요.</translation>
    </message>
    <message>
        <source>The module has restarted.</source>
        <translation>장치가 재시작되었습니다.</translation>
    </message>
    <message>
        <source>The module has restored its factory settings and restarted.</source>
        <translation>장치가 공장 초기화 후 재시작되었습니다.</translation>
    </message>
    <message>
        <source>The module did not start scanning.</source>
        <translation>장치가 검색을 시작하지 않았습니다.</translation>
    </message>
    <message>
        <source>The module did not confirm the end of the scan.</source>
        <translation>장치가 검색 종료를 확인하지 않았습니다.</translation>
    </message>
    <message>
        <source>No RSSI value is set.</source>
        <translation>RSSI 값이 설정되어 있지 않습니다.</translation>
    </message>
    <message>
        <source>The RSSI filter value is not a number.</source>
        <translation>RSSI 필터값이 숫자가 아닙니다.</translation>
    </message>
    <message>
        <source>The filter device name is too long.</source>
        <translation>필터 장치명이 너무 깁니다.</translation>
    </message>
    <message>
        <source>Invalid --slot value: %1 (use N=ADDRESS[,NAME], N from 1 to 8).</source>
        <translation>잘못된 --slot 값입니다: %1 (N=주소[,이름] 형식, N은 1에서 8까지).</translation>
    </message>
    <message>
        <source>Slot %1 is given more than once.</source>
        <translation>Slot %1이(가) 두 번 이상 지정되었습니다.</translation>
    </message>
    <message>
        <source>Invalid --uart value: %1 (use BAUD[,on|off], BAUD from 9600 to 460800).</source>
        <translation>잘못된 --uart 값입니다: %1 (통신속도[,on|off] 형식, 통신속도는 9600에서 460800까지).</translation>
    </message>
    <message>
        <source>Nothing to set: give at least one setting.</source>
        <translation>설정할 값이 없습니다. 설정을 하나 이상 지정해 주세요.</translation>
    </message>
    <message>
        <source>The RSSI filter value is out of range.</source>
        <translation>RSSI 필터값이 범위를 벗어났습니다.</translation>
    </message>
    <message>
        <source>Cannot write to standard output.</source>
        <translation>표준 출력에 쓸 수 없습니다.</translation>
    </message>
    <message>
        <source>Missing argument: %1</source>
        <translation>인수가 없습니다: %1</translation>
    </message>
    <message>
        <source>Unexpected argument: %1</source>
        <translation>알 수 없는 인수입니다: %1</translation>
    </message>
    <message>
        <source>Invalid argument: %1</source>
        <translation>인수 값이 잘못되었습니다: %1</translation>
    </message>
    <message>
        <source>Arguments that do not go together: %1</source>
        <translation>함께 쓸 수 없는 인수입니다: %1</translation>
    </message>
    <message>
        <source>Wrong command line: %1</source>
        <translation>명령줄이 잘못되었습니다: %1</translation>
    </message>
    <message>
        <source>Units %1: PASS %2, FAIL %3, DUPLICATE %4; first-pass yield %5 %, %6 units per hour.</source>
        <translation>장치 %1개: PASS %2, FAIL %3, DUPLICATE %4. 1차 합격률 %5 %, 시간당 %6개.</translation>
    </message>
    <message>
        <source>Recording into %1.</source>
        <translation>%1에 기록합니다.</translation>
    </message>
    <message>
        <source>The line's database cannot be reached; no module is configured until it is back.</source>
        <translation>라인 데이터베이스에 연결할 수 없습니다. 다시 연결될 때까지 모듈을 설정하지 않습니다.</translation>
    </message>
    <message>
        <source>Station %1: %2 units, PASS %3, first-pass yield %4 %</source>
        <translation>스테이션 %1: 장치 %2개, PASS %3, 1차 합격률 %4 %</translation>
    </message>
</context>
</TS>
