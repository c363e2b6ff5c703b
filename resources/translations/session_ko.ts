<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR" sourcelanguage="en">
<context>
    <name>SkwSession</name>
    <message>
        <source>Cannot open %1: %2</source>
        <translation>%1 포트를 열 수 없습니다: %2</translation>
    </message>
    <message>
        <source>The module is a %1, not a %2.</source>
        <translation>장치 모델이 %2이(가) 아니라 %1입니다.</translation>
    </message>
    <message>
        <source>Another model answers than the one identified.</source>
        <translation>처음 확인한 모델과 다른 모델이 응답합니다.</translation>
    </message>
    <message>
        <source>%1 is not available on the %2 in its current role.</source>
        <translation>%2의 현재 동작 Role에서는 %1을(를) 사용할 수 없습니다.</translation>
    </message>
    <message>
        <source>The module did not confirm its restart.</source>
        <translation>장치가 재시작을 확인하지 않았습니다.</translation>
    </message>
    <message>
        <source>Interrupted; the module was left at a safe point.</source>
        <translation>중단되었습니다. 장치는 안전한 단계에서 멈췄습니다.</translation>
    </message>
    <message>
        <source>No readable answer came: the module may not have received the command.</source>
        <translation>읽을 수 있는 응답이 오지 않았습니다. 모듈이 명령을 받지 못했을 수 있습니다.</translation>
    </message>
    <message>
        <source>%1 did not read back as applied: %2 expected, %3 read.</source>
        <translation>%1 값이 적용한 대로 읽히지 않습니다: %2 예상, %3 읽음.</translation>
    </message>
    <message>
        <source>Dry run: no setting was sent.</source>
        <translation>시험 실행: 설정을 보내지 않았습니다.</translation>
    </message>
    <message>
        <source>The module may run at %1 baud once it has restarted; if it does not answer at its old speed, try %1.</source>
        <translation>모듈이 다시 시작한 뒤 %1 baud로 동작할 수 있습니다. 이전 속도로 응답하지 않으면 %1을(를) 사용해 보십시오.</translation>
    </message>
    <message>
        <source>Another watch already uses %1; this one stops.</source>
        <translation>다른 감시가 이미 %1을(를) 사용합니다. 이 감시는 멈춥니다.</translation>
    </message>
    <message>
        <source>Another watch already uses the chosen ports; this one stops.</source>
        <translation>다른 감시가 이미 선택한 포트를 사용합니다. 이 감시는 멈춥니다.</translation>
    </message>
    <message>
        <source>The report must not be the settings file.</source>
        <translation>보고서는 설정 파일이 아니어야 합니다.</translation>
    </message>
    <message>
        <source>The report %1 cannot be used: %2.</source>
        <translation>보고서 %1을(를) 사용할 수 없습니다: %2.</translation>
    </message>
    <message>
        <source>The report %1 cannot be written (%2); the watch stopped before the next module.</source>
        <translation>보고서 %1에 쓸 수 없습니다(%2). 다음 모듈 전에 감시를 멈추었습니다.</translation>
    </message>
    <message>
        <source>already configured; left as it is</source>
        <translation>이미 설정됨. 그대로 둡니다</translation>
    </message>
    <message>
        <source>The line's database %1 cannot be used: %2</source>
        <translation>라인 데이터베이스 %1을(를) 사용할 수 없습니다: %2</translation>
    </message>
    <message>
        <source>The name counter was not reset: %1.</source>
        <translation>이름 카운터를 바꾸지 않았습니다: %1.</translation>
    </message>
    <message>
        <source>The name %1 was not given to it.</source>
        <translation>이름 %1은(는) 이 모듈에 주어지지 않았습니다.</translation>
    </message>
    <message>
        <source>The module does not answer.</source>
        <translation>모듈이 응답하지 않습니다.</translation>
    </message>
    <message>
        <source>The line's database %1 did not take a record (%2); the station stopped before the next module.</source>
        <translation>라인 데이터베이스 %1이(가) 기록을 받지 않았습니다(%2). 다음 모듈 전에 스테이션을 멈추었습니다.</translation>
    </message>
</context>
</TS>
