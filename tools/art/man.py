"""The seated man of the main window's lower left: a fellow in a blue suit
leaning back in an office chair, hands behind his head, legs stretched out
towards the dancing creature."""

DEFS = '''
  <linearGradient id="suit" x1="0" y1="0" x2="1" y2="1">
    <stop offset="0" stop-color="#4a7af0"/><stop offset="0.6" stop-color="#2450c8"/><stop offset="1" stop-color="#142c80"/>
  </linearGradient>
  <linearGradient id="trousers" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#3a68e0"/><stop offset="1" stop-color="#1a3490"/>
  </linearGradient>
  <linearGradient id="leather" x1="0" y1="0" x2="1" y2="0">
    <stop offset="0" stop-color="#3a0c12"/><stop offset="0.5" stop-color="#7a1a26"/><stop offset="1" stop-color="#3a0c12"/>
  </linearGradient>
  <linearGradient id="chrome" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#f0f0f8"/><stop offset="0.5" stop-color="#9090a0"/><stop offset="1" stop-color="#50505c"/>
  </linearGradient>
  <radialGradient id="mskin" cx="0.4" cy="0.35" r="0.75">
    <stop offset="0" stop-color="#ffe0c4"/><stop offset="1" stop-color="#e8a878"/>
  </radialGradient>
  <filter id="mshadow" x="-0.3" y="-0.3" width="1.6" height="1.6"><feGaussianBlur stdDeviation="4"/></filter>
'''

INK = '#1a0c20'

BODY = f'''
<g id="man" stroke="{INK}" stroke-linejoin="round" stroke-linecap="round">
  <!-- shadow on the floor -->
  <ellipse cx="120" cy="592" rx="92" ry="7" fill="#1a0420" fill-opacity="0.55" stroke="none" filter="url(#mshadow)"/>
  <!-- chair base: five spokes on casters, a gas post -->
  <path d="M98 566 L52 584 M98 566 L146 584 M98 566 L74 590 M98 566 L124 590" stroke="#2a2a34" stroke-width="5"/>
  <path d="M98 566 L52 584 M98 566 L146 584 M98 566 L74 590 M98 566 L124 590" stroke="url(#chrome)" stroke-width="3"/>
  <g fill="#202028" stroke-width="1.2">
    <circle cx="52" cy="586" r="4.5"/><circle cx="146" cy="586" r="4.5"/><circle cx="74" cy="592" r="4.5"/><circle cx="124" cy="592" r="4.5"/>
  </g>
  <rect x="93" y="540" width="10" height="28" rx="2" fill="url(#chrome)" stroke-width="1.2"/>
  <!-- backrest, tilted back -->
  <path d="M30 452 C34 442 48 440 56 446 L76 530 C78 540 66 546 58 542 Z" fill="url(#leather)" stroke-width="1.8"/>
  <path d="M38 456 C42 450 48 450 52 454 L68 526" fill="none" stroke="#a83848" stroke-width="1.4"/>
  <!-- seat -->
  <path d="M52 530 C52 522 60 520 70 520 L138 522 C148 522 150 534 142 538 L62 544 C56 544 52 538 52 530 Z" fill="url(#leather)" stroke-width="1.8"/>
  <!-- arm (the one behind) -->
  <path d="M86 470 C70 456 60 444 70 432 C78 426 88 434 90 444" fill="none" stroke="{INK}" stroke-width="13"/>
  <path d="M86 470 C70 456 60 444 70 432 C78 426 88 434 90 444" fill="none" stroke="#1c3a9c" stroke-width="10"/>
  <!-- legs: thighs on the seat, shins stretched towards the right, ankles crossed -->
  <path d="M70 516 C90 508 120 506 142 512 C160 518 196 552 212 570 L200 580 C182 566 150 542 132 538 C110 536 84 540 72 536 Z" fill="url(#trousers)" stroke-width="1.8"/>
  <path d="M78 530 C100 522 124 522 144 526 C164 538 190 566 206 586 L194 590 C178 574 154 552 136 544 C112 542 90 548 78 544 Z" fill="url(#trousers)" stroke-width="1.8"/>
  <path d="M118 512 C128 512 136 516 140 520" fill="none" stroke="#6a90ff" stroke-width="1.2"/>
  <!-- shoes -->
  <path d="M198 574 C204 566 214 562 222 566 C230 570 228 578 218 580 L200 582 Z" fill="#5a2a10" stroke-width="1.6"/>
  <path d="M192 584 C198 576 210 574 218 578 C224 584 220 592 210 592 L194 593 Z" fill="#6a3214" stroke-width="1.6"/>
  <path d="M206 568 C212 566 218 566 222 568" fill="none" stroke="#c08050" stroke-width="1.2"/>
  <!-- torso leaning back -->
  <path d="M56 470 C58 456 72 450 88 452 C102 456 106 470 104 486 L98 520 C96 530 86 534 74 532 C64 530 60 522 60 512 Z" fill="url(#suit)" stroke-width="1.8"/>
  <!-- shirt, tie -->
  <path d="M88 454 C96 458 100 466 98 476 L90 470 Z" fill="#f4f0ec" stroke-width="1.1"/>
  <path d="M92 462 L98 466 L96 500 L90 506 L88 496 Z" fill="#e02838" stroke="#6a0a14" stroke-width="1.1"/>
  <path d="M86 454 C82 466 84 476 90 486 L92 474 Z" fill="#3a66e0" stroke="#16307c" stroke-width="1.2"/>
  <path d="M88 490 L86 520" fill="none" stroke="#16307c" stroke-width="1.2"/>
  <path d="M62 470 C66 490 66 505 70 520" fill="none" stroke="#6a90ff" stroke-width="1.2" stroke-opacity="0.7"/>
  <circle cx="90" cy="514" r="1.6" fill="#f0d060" stroke="none"/>
  <!-- arm in front: elbow out, hand behind the head -->
  <path d="M74 470 C66 452 58 440 66 430 C72 422 82 424 84 432" fill="none" stroke="{INK}" stroke-width="14"/>
  <path d="M74 470 C66 452 58 440 66 430 C72 422 82 424 84 432" fill="none" stroke="url(#suit)" stroke-width="11"/>
  <!-- head, looking right and smiling -->
  <rect x="78" y="440" width="12" height="14" fill="#e8a878" stroke-width="1.2"/>
  <path d="M66 420 C66 404 80 396 94 400 C108 404 114 416 112 428 C116 430 116 436 112 438 C110 446 102 452 90 450 C76 448 66 436 66 420 Z" fill="url(#mskin)" stroke-width="1.8"/>
  <!-- hair -->
  <path d="M64 424 C60 408 72 394 90 396 C102 396 110 402 112 410 C100 406 90 410 82 408 C80 418 74 420 70 430 Z" fill="#5a3214" stroke-width="1.5"/>
  <!-- ear -->
  <path d="M76 424 C72 418 66 420 68 428 C70 434 74 434 78 432" fill="#f0b488" stroke-width="1.3"/>
  <!-- eye, brow, nose, smile -->
  <ellipse cx="101" cy="419" rx="2.6" ry="3.4" fill="#fff6ee" stroke-width="0.9"/>
  <circle cx="102.2" cy="419.6" r="1.5" fill="{INK}" stroke="none"/>
  <path d="M96 412 Q101 409 106 412" fill="none" stroke="#5a3214" stroke-width="1.6"/>
  <path d="M109 414 C114 419 119 425 116 429 C114 431 111 431 108 430" fill="#f6c09a" stroke-width="1.4"/>
  <path d="M96 437 Q104 443 110 436" fill="#fff6ee" stroke-width="1.4"/>
  <path d="M92 432 Q96 436 96 437" fill="none" stroke="#a86040" stroke-width="1"/>
</g>
'''
